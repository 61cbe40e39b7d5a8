#pragma once
// CCmdUI: what an update handler receives for one command identifier. Enable and SetCheck act on
// the user-interface item being refreshed (a menu item or a toolbar button, both QActions); when
// the framework only tests whether a command is enabled (before an accelerator or a toolbar
// click is routed) there is no item, and the object just records the answer.
//
// DoUpdate runs the whole refresh of one item against a routing target: the update handler if
// one exists; then, when `disableIfNoHandler` is set and no handler called Enable, the item is
// enabled exactly when some command handler exists for the identifier.

class QAction;
class QMenu;
class CCmdTarget;

class CCmdUI {
  public:
    explicit CCmdUI(unsigned id, QAction* action = nullptr, QMenu* menu = nullptr)
        : m_nID(id), action_(action), menu_(menu) {}

    void Enable(bool on = true);
    // 0 clears the check mark, any other value sets it.
    void SetCheck(int check = 1);

    void DoUpdate(CCmdTarget& target, bool disableIfNoHandler);

    unsigned GetID() const { return m_nID; }
    bool IsEnabled() const { return enabled_; }
    bool EnableChanged() const { return enableChanged_; }
    // The item refreshed, and the menu that holds it; none for a plain enable test.
    QAction* Action() const { return action_; }
    QMenu* Menu() const { return menu_; }

    const unsigned m_nID;

  private:
    QAction* action_;
    QMenu* menu_;
    bool enabled_ = true;
    bool enableChanged_ = false;
};
