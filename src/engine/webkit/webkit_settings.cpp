// The engine switches of the command line become WebKit settings where WebKit has one:
//   --disable-web-security              -> WebKitSettings disable-web-security
//   --allow-universal-access-from-files -> allow-universal-access-from-file-urls
//   --allow-file-access-from-files      -> allow-file-access-from-file-urls
//   --allow-running-insecure-content    -> no WebKitGTK setting; WebKit blocks only active mixed
//                                          content, and web security off lifts origin checks
//   --disable-site-isolation-trials     -> nothing to do: WebKitGTK has no site isolation
//
// Beyond the switches, the portal is drawn in software (drawing_mode.h): WebKit's GL compositing
// costs the web process about 100 MiB, more than the rest of the page, and with a software GL it
// scrolled a long list several times more slowly (bench/frames).

#include "engine/webkit/webkit_settings.h"

#include "engine/command_line.h"
#include "engine/webkit/drawing_mode.h"

namespace varnet::engine::webkit {

WebKitSettings* settingsFromSwitches() {
  const CommandLine& line = CommandLine::Global();
  WebKitSettings* settings = webkit_settings_new();
  if (line.HasSwitch("disable-web-security"))
    webkit_settings_set_disable_web_security(settings, TRUE);
  if (line.HasSwitch("allow-universal-access-from-files"))
    webkit_settings_set_allow_universal_access_from_file_urls(settings, TRUE);
  if (line.HasSwitch("allow-file-access-from-files"))
    webkit_settings_set_allow_file_access_from_file_urls(settings, TRUE);
  if (drawsInSoftware())
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  return settings;
}

}  // namespace varnet::engine::webkit
