// RunFolderDialog in the browser process: the chooser is shown here directly, modal to the
// active window. (The web process's RunFolderDialog asks this process; see web_extension.cpp.)

#include "engine/folder_dialog.h"
#include "engine/webkit/folder_service.h"
#include "platform/text.h"

namespace varnet::engine {

std::u16string RunFolderDialog(const std::u16string& title) {
  GtkWindow* owner = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) {
    if (gtk_window_is_active(GTK_WINDOW(item->data)))
      owner = GTK_WINDOW(item->data);
  }
  g_list_free(windows);
  GtkWidget* dialog = webkit::newFolderChooser(toUtf8(title), owner);
  std::u16string chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    if (char* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
      chosen = fromUtf8(path);
      g_free(path);
    }
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

}  // namespace varnet::engine
