// The platform's component system (COM on Windows, with the common controls)
// for the calling thread, entered for as long as the session object lives.
// Nothing on Linux.
#pragma once

namespace platform {

class ComponentSystemSession {
 public:
  ComponentSystemSession();
  ~ComponentSystemSession();
  ComponentSystemSession(const ComponentSystemSession&) = delete;
  ComponentSystemSession& operator=(const ComponentSystemSession&) = delete;

  // Forgets the session without leaving it: for the library's unload, where
  // leaving the component system is not allowed.
  void Abandon() { entered_ = false; }

 private:
  bool entered_ = false;
};

}  // namespace platform
