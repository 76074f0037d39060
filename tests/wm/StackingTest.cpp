// Teldra's stacking model against the X server's own stacking order: frames
// in layers, transients above their owners, raise, lower and removal, and
// WM_TRANSIENT_FOR cycles that must not loop.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SimpleWindow.h"
#include "tests/support/XTestServer.h"
#include "wm/manager/Frame.h"
#include "wm/manager/Stacking.h"
#include "wm/session/ScreenState.h"
#include "wm/session/WindowManager.h"

namespace {

struct Spec {
  const char* name;
  int layer;
  const char* transientFor;  // a name, or null
};

class StackingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    std::memset(static_cast<void*>(&state_), 0, sizeof state_);
    ASSERT_EQ(InitScreenInfo(&state_.sdk, "test", 1, 0, nullptr, server_.DisplayName().c_str()), 0);
    InternWindowManagerAtoms(state_.sdk.display, &state_);
    state_.workArea[2] = state_.sdk.width;
    state_.workArea[3] = state_.sdk.height;
  }
  void TearDown() override {
    while (state_.managedWindows) {
      state_.managedWindows->client = 0;  // the clients are made up
      DestroyFrame(state_.managedWindows);
    }
    CloseScreenInfo(&state_.sdk);
  }
  // Frames for made-up clients, entered in order.
  void Insert(const Spec& spec) {
    const Window client = 0x100 + names_.size();
    ManagedWindow* m = CreateFrame(&state_, 0, 0, 100, 100, spec.name, spec.name, client, 0, 1, 1, 0, 0);
    ASSERT_NE(m, nullptr);
    clients_[spec.name] = client;
    byName_[spec.name] = m;
    names_[m->frame->window] = spec.name;
    if (spec.transientFor) {
      // The owner may come later: its client id is known in advance.
      m->transientFor = ClientOf(spec.transientFor);
      m->transient = 1;
    }
    StackInsertWindow(m, spec.layer);
  }
  Window ClientOf(const std::string& name) {
    // Clients are numbered by insertion; a name not yet inserted gets the
    // id it will have: the specs are inserted in table order.
    auto it = clients_.find(name);
    if (it != clients_.end()) return it->second;
    for (size_t i = 0; i < specs_.size(); ++i)
      if (name == specs_[i].name) return 0x100 + i;
    return 0;
  }
  void InsertAll(const std::vector<Spec>& specs) {
    specs_ = specs;
    for (const Spec& s : specs) Insert(s);
  }
  // The frames top to bottom as the server stacks them.
  std::string ServerOrder() {
    Display* d = state_.sdk.display;
    XSync(d, False);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    std::vector<std::string> order;
    if (XQueryTree(d, state_.sdk.root, &root, &parent, &children, &n))
      for (unsigned int i = n; i-- > 0;) {
        auto it = names_.find(children[i]);
        if (it != names_.end()) order.push_back(it->second);
      }
    if (children) XFree(children);
    return Join(order);
  }
  // The model's order: the top-level list with each tree expanded.
  std::string ModelOrder() {
    std::vector<std::string> order;
    std::set<const ManagedWindow*> seen;
    for (ManagedWindow* t = state_.stackTop; t; t = t->below) Expand(t, &order, &seen);
    return Join(order);
  }
  void Expand(ManagedWindow* w, std::vector<std::string>* out, std::set<const ManagedWindow*>* seen) {
    if (!seen->insert(w).second) {
      out->push_back("LOOP");
      return;
    }
    for (ManagedWindow* t = w->firstTransient; t; t = t->below) Expand(t, out, seen);
    out->push_back(w->title);
  }
  static std::string Join(const std::vector<std::string>& v) {
    std::ostringstream o;
    for (size_t i = 0; i < v.size(); ++i) o << (i ? " " : "") << v[i];
    return o.str();
  }
  ManagedWindow* W(const std::string& name) { return byName_.at(name); }

  qwtest::XTestServer server_;
  ScreenState state_;
  std::vector<Spec> specs_;
  std::map<std::string, Window> clients_;
  std::map<std::string, ManagedWindow*> byName_;
  std::map<Window, std::string> names_;
};

struct Op {
  char what;  // 'r' raise, 'l' lower, 'x' remove (and destroy)
  const char* name;
};

struct StackCase {
  const char* what;
  std::vector<Spec> windows;
  std::vector<Op> ops;
  const char* expected;  // top to bottom
};

TEST_F(StackingTest, LayersAndTransientTrees) {
  const StackCase cases[] = {
      {"a new window goes above its layer and below higher layers",
       {{"a", 4, nullptr}, {"b", 5, nullptr}, {"c", 4, nullptr}}, {}, "b c a"},
      {"a dialog mapped before its owner moves under the owner",
       {{"d", 4, "o"}, {"o", 4, nullptr}, {"x", 4, nullptr}}, {}, "x d o"},
      {"lowering goes below every top-level window, lower layers too",
       {{"a", 6, nullptr}, {"b", 4, nullptr}, {"c", 2, nullptr}}, {{'l', "a"}}, "b c a"},
      {"raising a transient raises its owner to the top of its layer",
       {{"a", 4, nullptr}, {"t", 4, "a"}, {"b", 4, nullptr}, {"c", 5, nullptr}}, {{'r', "t"}}, "c t a b"},
      {"a transient takes its owner's layer, not its own",
       {{"a", 2, nullptr}, {"b", 4, nullptr}, {"t", 9, "a"}}, {}, "b t a"},
      {"a window below a higher layer stays when raised",
       {{"a", 2, nullptr}, {"b", 4, nullptr}}, {{'r', "a"}}, "b a"},
      {"the transients of a removed window take its place in order",
       {{"a", 4, nullptr}, {"t1", 4, "a"}, {"t2", 4, "a"}, {"b", 4, nullptr}}, {{'x', "a"}}, "b t2 t1"},
      {"they are top-level windows afterwards",
       {{"a", 4, nullptr}, {"t1", 4, "a"}, {"t2", 4, "a"}, {"b", 4, nullptr}},
       {{'x', "a"}, {'r', "t1"}}, "t1 b t2"},
      {"a nested tree moves as a whole",
       {{"a", 4, nullptr}, {"t", 4, "a"}, {"u", 4, "t"}, {"b", 4, nullptr}}, {{'r', "a"}}, "u t a b"},
      {"lowering a nested transient lowers its owners",
       {{"a", 4, nullptr}, {"t", 4, "a"}, {"u", 4, "t"}, {"b", 4, nullptr}}, {{'r', "a"}, {'l', "u"}},
       "b u t a"},
      {"raising one of two transients",
       {{"a", 4, nullptr}, {"t1", 4, "a"}, {"t2", 4, "a"}}, {{'r', "t1"}}, "t1 t2 a"},
      {"a removed transient leaves its owner's tree",
       {{"a", 4, nullptr}, {"t", 4, "a"}, {"b", 4, nullptr}}, {{'x', "t"}, {'r', "a"}}, "a b"},
  };
  for (const StackCase& c : cases) {
    SCOPED_TRACE(c.what);
    TearDown();
    byName_.clear();
    names_.clear();
    clients_.clear();
    std::memset(static_cast<void*>(&state_), 0, sizeof state_);
    ASSERT_EQ(InitScreenInfo(&state_.sdk, "test", 1, 0, nullptr, server_.DisplayName().c_str()), 0);
    InternWindowManagerAtoms(state_.sdk.display, &state_);
    InsertAll(c.windows);
    for (const Op& op : c.ops) {
      ManagedWindow* m = W(op.name);
      if (op.what == 'r') StackRaiseTree(m);
      if (op.what == 'l') StackLowerTree(m);
      if (op.what == 'x') {
        names_.erase(m->frame->window);
        m->client = 0;
        DestroyFrame(m);
        byName_.erase(op.name);
      }
    }
    EXPECT_EQ(ModelOrder(), c.expected);
    EXPECT_EQ(ServerOrder(), c.expected);
  }
}

// Hostile WM_TRANSIENT_FOR chains: two windows for each other, a ring of
// three, a window for itself. Each stays in the order exactly once, and the
// walks of raise, lower and focus end.
TEST_F(StackingTest, TransientCyclesAreRefused) {
  InsertAll({{"a", 4, "b"}, {"b", 4, "a"}, {"x", 4, "z"}, {"y", 4, "x"}, {"z", 4, "y"}, {"s", 4, "s"}});
  for (const char* name : {"a", "b", "x", "y", "z", "s"}) {
    ManagedWindow* m = W(name);
    m->visible = 1;
    StackRaiseTree(m);
    NoteWindowFocus(m);
    StackLowerTree(m);
    MapWindowTree(m, 1);
    EXPECT_EQ(HasMappedTransient(m), HasMappedTransient(m));
    ASSERT_NE(TopOfWindowTree(m), nullptr);
    ASSERT_NE(RootOfWindowTree(m), nullptr);
  }
  FocusMostRecentWindow(&state_);
  const std::string model = ModelOrder();
  EXPECT_EQ(model.find("LOOP"), std::string::npos) << model;
  std::istringstream words(model);
  std::multiset<std::string> seen;
  for (std::string w; words >> w;) seen.insert(w);
  EXPECT_EQ(seen, (std::multiset<std::string>{"a", "b", "x", "y", "z", "s"}));
  EXPECT_EQ(ServerOrder(), model);
  // The owner a window got is never in its own tree.
  for (const auto& [name, m] : byName_)
    for (ManagedWindow* o = m->owner; o; o = o->owner) ASSERT_NE(o, m) << name;
}

// The active window: a visible modal dialog takes the focus from its owner;
// without visible windows there is none.
TEST_F(StackingTest, FocusFollowsTheMostRecentVisibleWindow) {
  InsertAll({{"a", 4, nullptr}, {"d", 4, "a"}, {"b", 4, nullptr}});
  ManagedWindow *a = W("a"), *d = W("d"), *b = W("b");
  a->visible = b->visible = 1;
  NoteWindowFocus(a);
  EXPECT_EQ(state_.activeWindow, a);
  d->visible = 1;
  d->modeless = 0;  // a modal dialog
  NoteWindowFocus(a);
  EXPECT_EQ(state_.activeWindow, d);
  EXPECT_TRUE(HasMappedTransient(a));
  d->modeless = 1;
  EXPECT_FALSE(HasMappedTransient(a));
  StackRaiseTree(b);
  FocusMostRecentWindow(&state_);
  EXPECT_EQ(state_.activeWindow, b);
  b->visible = 0;
  FocusMostRecentWindow(&state_);
  EXPECT_EQ(state_.activeWindow, d) << "the modeless dialog was focused after its owner";
  a->visible = d->visible = 0;
  FocusMostRecentWindow(&state_);
  EXPECT_EQ(state_.activeWindow, nullptr);
}

}  // namespace
