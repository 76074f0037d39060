#pragma once
// The session window object, embedded in the session control block. This
// version builds the session's top-level shell (class "QW5250") and keeps
// the host name; the menus, fonts and painting come with the window itself.
#include <X11/Intrinsic.h>

#include <memory>
#include <string>

#include "session/Geometry.h"

class SessionControlBlock;

class XStuff {
 public:
  explicit XStuff(SessionControlBlock* session);
  ~XStuff();
  XStuff(const XStuff&) = delete;
  XStuff& operator=(const XStuff&) = delete;

  // The parent of every session shell (the master's top-level widget); set
  // by start-up before the first session.
  static void setShellParent(Widget parent);

  // Builds the session's top-level shell and stores it in `shell` (which
  // marks the session-table entry used). 0 on success.
  int initializeSession(const char* host, const char* title, int port, const char* playbackFile,
                        char startupPlayback, const char* keyFile, char iconic, Geometry geometry,
                        Widget& shell);
  // Tears the window down.
  void endSession();

  // Shows the communication status number (0 hides it), then processes
  // pending X events for a short while. -1 when the session ended meanwhile.
  int x_comm_msg(unsigned int number);
  void Flush_X5250(char) {}
  void doIconifiedActionIfNeeded(char) {}

  SessionControlBlock* session() const { return session_; }
  const char* getHostname() const { return host_.c_str(); }
  const char* getTitle() const { return title_.c_str(); }
  Widget shell() const { return shell_; }
  // The widget that the session's error dialogs are parented to.
  Widget x_get_text_widget() const { return shell_; }
  int get_width() const;
  int get_height() const;
  unsigned int commStatus() const { return commStatus_; }
  // The window has no keypads yet.
  bool hasKeypadObject() const { return false; }

 private:
  SessionControlBlock* session_;
  Widget shell_ = nullptr;
  std::string host_;
  std::string title_;
  unsigned int commStatus_ = 0;
  // False once the object is gone; the event pump looks at it.
  std::shared_ptr<bool> alive_;
};
