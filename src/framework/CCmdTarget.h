#pragma once
// CCmdTarget: an object that takes part in command routing, with a static command table that
// maps command identifiers to member functions.
//
// A class declares its table by overriding GetCommandMap and returning a function-local static:
//
//     const framework::CommandMap* CMainFrame::GetCommandMap() const {
//         static const framework::CommandMap map = framework::CommandMap::Of<CMainFrame>({
//             {32797, &CMainFrame::OnMute},
//             {32777, &CMainFrame::OnTimerPeriod1, &CMainFrame::OnUpdateTimerPeriod1},
//             {ID_FILE_SAVE, nullptr, &CMainFrame::OnUpdateSave},   // update handler only
//         });
//         return &map;
//     }
//
// Handlers are `void T::f()`; update handlers are `void T::f(CCmdUI*)`. Members of a base class
// may be named (`&CWinApp::OnFileNew` in an application's table). A table may chain to a base
// table, searched after its own entries.
//
// OnCmdMsg(id, code, cmdUI) looks the identifier up in this object's table: with CN_COMMAND it
// runs the handler, with CN_UPDATE_COMMAND_UI the update handler (cmdUI must be given), with
// CN_QUERY_HANDLER it only reports whether a handler exists. It returns true when the table had
// what was asked. Windows, views and the application override it to extend the routing
// (view -> document -> frame -> application); an override must call its base to keep it.

#include <functional>
#include <initializer_list>
#include <vector>

#include "framework/Afx.h"

class CCmdUI;
class CCmdTarget;

namespace framework {

class CommandMap {
  public:
    struct Entry {
        unsigned id;
        std::function<void(CCmdTarget&)> handler;          // may be empty
        std::function<void(CCmdTarget&, CCmdUI*)> update;  // may be empty
    };

    template <class T>
    struct Binding {
        unsigned id;
        void (T::*handler)() = nullptr;
        void (T::*update)(CCmdUI*) = nullptr;
    };

    template <class T>
    static CommandMap Of(std::initializer_list<Binding<T>> bindings,
                         const CommandMap* base = nullptr) {
        std::vector<Entry> entries;
        for (const Binding<T>& b : bindings) {
            Entry e{b.id, {}, {}};
            if (auto h = b.handler) e.handler = [h](CCmdTarget& t) { (static_cast<T&>(t).*h)(); };
            if (auto u = b.update)
                e.update = [u](CCmdTarget& t, CCmdUI* ui) { (static_cast<T&>(t).*u)(ui); };
            entries.push_back(std::move(e));
        }
        return CommandMap(std::move(entries), base);
    }

    CommandMap(std::vector<Entry> entries, const CommandMap* base)
        : entries_(std::move(entries)), base_(base) {}

    // The first entry for `id` with a handler (wantUpdate false) or an update handler (true),
    // searching this table, then its base tables.
    const Entry* Find(unsigned id, bool wantUpdate) const;

  private:
    std::vector<Entry> entries_;
    const CommandMap* base_;
};

}  // namespace framework

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;
    virtual bool OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI);

  protected:
    // This class's command table; none by default.
    virtual const framework::CommandMap* GetCommandMap() const { return nullptr; }
};
