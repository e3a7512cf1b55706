#include "App/DefaultServices.h"

#include "Intent/LLMIntentResolver.h"
#include "Intent/SystemControl.h"

#include <memory>

namespace kivari {

AppStateServices makeDefaultServices() {
  AppStateServices services;
  auto runner = std::make_shared<ProcessCommandRunner>();
  services.executeSystemAction = [runner](SystemControlAction action) {
    return SystemControl::execute(action, *runner);
  };
  services.modelResolver = LLMIntentResolver::shared();
  return services;
}

}  // namespace kivari
