// A PRIMARY owner for tests: another X client, on its own connection and
// thread, that offers chosen targets and answers each with chosen bytes,
// noting what it was asked.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qwtest {

class ForeignSelectionOwner {
 public:
  struct Answer {
    std::string type;
    std::string bytes;
  };
  ~ForeignSelectionOwner() { stop(); }
  // Runs on the owner's thread, with its connection, before it answers a
  // request for anything but TARGETS.
  void beforeAnswer(std::function<void(Display*)> hook) { before_ = std::move(hook); }
  bool start(const std::string& display, std::map<std::string, Answer> answers) {
    d_ = XOpenDisplay(display.c_str());
    if (!d_) return false;
    w_ = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, 1, 1, 0, 0, 0);
    for (auto& a : answers) answers_[XInternAtom(d_, a.first.c_str(), False)] = a.second;
    targets_ = XInternAtom(d_, "TARGETS", False);
    XSetSelectionOwner(d_, XA_PRIMARY, w_, CurrentTime);
    XSync(d_, False);
    if (XGetSelectionOwner(d_, XA_PRIMARY) != w_) return false;
    thread_ = std::thread([this] { run(); });
    return true;
  }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (d_) XCloseDisplay(d_);
    d_ = nullptr;
  }
  std::vector<std::string> asked() {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
  }

 private:
  void run() {
    while (!stop_) {
      struct pollfd fd = {ConnectionNumber(d_), POLLIN, 0};
      poll(&fd, 1, 20);
      while (XPending(d_)) {
        XEvent e;
        XNextEvent(d_, &e);
        if (e.type == SelectionRequest) answer(e.xselectionrequest);
      }
    }
  }
  void answer(const XSelectionRequestEvent& r) {
    char* name = XGetAtomName(d_, r.target);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      asked_.push_back(name ? name : "?");
    }
    if (name) XFree(name);
    XSelectionEvent n = {};
    n.type = SelectionNotify;
    n.requestor = r.requestor;
    n.selection = r.selection;
    n.target = r.target;
    n.time = r.time;
    n.property = r.property;
    if (r.target != targets_ && before_) before_(d_);
    if (r.target == targets_) {
      std::vector<Atom> list{targets_};
      for (auto& a : answers_) list.push_back(a.first);
      XChangeProperty(d_, r.requestor, r.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(list.data()), static_cast<int>(list.size()));
    } else if (answers_.count(r.target)) {
      const Answer& a = answers_[r.target];
      XChangeProperty(d_, r.requestor, r.property, XInternAtom(d_, a.type.c_str(), False), 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(a.bytes.data()), static_cast<int>(a.bytes.size()));
    } else {
      n.property = None;
    }
    XSendEvent(d_, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&n));
    XFlush(d_);
  }

  Display* d_ = nullptr;
  Window w_ = 0;
  Atom targets_ = 0;
  std::map<Atom, Answer> answers_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> asked_;
  std::function<void(Display*)> before_;
};

}  // namespace qwtest
