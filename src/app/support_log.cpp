#include "app/support_log.h"

#include "config.h"
#include "engine/engine.h"
#include "platform/log.h"

namespace varnet {

void startBrowserProcessLog(const std::u16string& clientFolder,
                            const std::vector<std::u16string>& arguments) {
  log::open(clientFolder, log::Run::New, "browser");
  log::info("start version=", config::kClientVersion,
            " engine=", log::quoted(engine::EngineVersion()), " portal=", config::kPortalBaseUrl,
            " folder=", log::quoted(clientFolder));
  std::string line = "command line:";
  if (arguments.empty())
    line += " (empty)";
  for (const std::u16string& argument : arguments)
    line += " " + log::quoted(argument).text;
  log::info(line);
}

}  // namespace varnet
