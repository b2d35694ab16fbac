#include "engine/webkit/folder_service.h"

#include <gio/gio.h>
#include <gio/gunixsocketaddress.h>
#include <glib/gstdio.h>

#include <memory>

namespace varnet::engine::webkit {

namespace {

struct Service {
  GSocketService* socketService = nullptr;
  std::string folder;
  std::string path;
  std::function<GtkWindow*(std::uint64_t)> ownerOf;
};

Service& service() {
  static Service s;
  return s;
}

// One request: the connection waits for the dialog's answer.
struct Request {
  GSocketConnection* connection;
  bool answered = false;
};

void answer(Request* request, const std::string& path) {
  if (request->answered)
    return;
  request->answered = true;
  GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(request->connection));
  g_output_stream_write_all(out, path.data(), path.size(), nullptr, nullptr, nullptr);
  g_io_stream_close(G_IO_STREAM(request->connection), nullptr, nullptr);
}

void onResponse(GtkDialog* dialog, int response, Request* request) {
  std::string chosen;
  if (response == GTK_RESPONSE_ACCEPT) {
    if (char* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
      chosen = path;
      g_free(path);
    }
  }
  answer(request, chosen);
  gtk_widget_destroy(GTK_WIDGET(dialog));
}

// Destroyed without an answer (its owner window closed): the caller hears "cancelled".
void onDestroyed(GtkWidget*, Request* request) {
  answer(request, {});
  g_object_unref(request->connection);
  delete request;
}

gboolean onIncoming(GSocketService*, GSocketConnection* connection, GObject*, gpointer) {
  // The request is two short lines, written in full before the caller waits.
  GInputStream* in = g_io_stream_get_input_stream(G_IO_STREAM(connection));
  std::string text;
  char buffer[1024];
  gssize n;
  while (text.size() < 65536 &&
         (n = g_input_stream_read(in, buffer, sizeof buffer, nullptr, nullptr)) > 0)
    text.append(buffer, static_cast<std::size_t>(n));
  std::size_t firstBreak = text.find('\n');
  std::uint64_t pageId = g_ascii_strtoull(text.substr(0, firstBreak).c_str(), nullptr, 10);
  std::string title;
  if (firstBreak != std::string::npos)
    title = text.substr(firstBreak + 1, text.find('\n', firstBreak + 1) - firstBreak - 1);

  GtkWindow* owner = service().ownerOf ? service().ownerOf(pageId) : nullptr;
  GtkWidget* dialog = newFolderChooser(title, owner);
  auto* request = new Request{G_SOCKET_CONNECTION(g_object_ref(connection))};
  g_signal_connect(dialog, "response", G_CALLBACK(onResponse), request);
  g_signal_connect(dialog, "destroy", G_CALLBACK(onDestroyed), request);
  gtk_widget_show(dialog);
  gtk_window_present(GTK_WINDOW(dialog));
  return TRUE;
}

}  // namespace

GtkWidget* newFolderChooser(const std::string& title, GtkWindow* owner) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title.c_str(), owner, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel", GTK_RESPONSE_CANCEL,
      "_Select", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog), TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  return dialog;
}

std::string startFolderService(std::function<GtkWindow*(std::uint64_t)> ownerOf) {
  auto& s = service();
  if (s.socketService)
    return s.path;
  char* folder = g_dir_make_tmp("varnet-XXXXXX", nullptr);
  if (!folder)
    return {};
  s.folder = folder;
  g_free(folder);
  s.path = s.folder + "/folder-chooser";
  s.ownerOf = std::move(ownerOf);

  GSocketAddress* address = g_unix_socket_address_new(s.path.c_str());
  s.socketService = g_socket_service_new();
  bool listening = g_socket_listener_add_address(G_SOCKET_LISTENER(s.socketService), address,
                                                 G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_DEFAULT,
                                                 nullptr, nullptr, nullptr);
  g_object_unref(address);
  if (!listening) {
    stopFolderService();
    return {};
  }
  g_signal_connect(s.socketService, "incoming", G_CALLBACK(onIncoming), nullptr);
  g_socket_service_start(s.socketService);
  return s.path;
}

void stopFolderService() {
  auto& s = service();
  if (s.socketService) {
    g_socket_service_stop(s.socketService);
    g_socket_listener_close(G_SOCKET_LISTENER(s.socketService));
    g_object_unref(s.socketService);
    s.socketService = nullptr;
  }
  if (!s.path.empty())
    g_unlink(s.path.c_str());
  if (!s.folder.empty())
    g_rmdir(s.folder.c_str());
  s = Service();
}

}  // namespace varnet::engine::webkit
