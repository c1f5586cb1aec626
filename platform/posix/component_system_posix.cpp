#include "platform/component_system.h"

namespace platform {

ComponentSystemSession::ComponentSystemSession() = default;
ComponentSystemSession::~ComponentSystemSession() = default;

}  // namespace platform
