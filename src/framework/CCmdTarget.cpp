#include "framework/CCmdTarget.h"

#include "framework/CCmdUI.h"

namespace framework {

const CommandMap::Entry* CommandMap::Find(unsigned id, bool wantUpdate) const {
    for (const CommandMap* map = this; map; map = map->base_) {
        for (const Entry& entry : map->entries_) {
            if (entry.id == id && (wantUpdate ? bool(entry.update) : bool(entry.handler)))
                return &entry;
        }
    }
    return nullptr;
}

}  // namespace framework

bool CCmdTarget::OnCmdMsg(unsigned id, int code, CCmdUI* cmdUI) {
    const framework::CommandMap* map = GetCommandMap();
    if (!map) return false;
    if (code == CN_UPDATE_COMMAND_UI) {
        const framework::CommandMap::Entry* entry = map->Find(id, true);
        if (!entry || !cmdUI) return false;
        entry->update(*this, cmdUI);
        return true;
    }
    const framework::CommandMap::Entry* entry = map->Find(id, false);
    if (!entry) return false;
    if (code == CN_COMMAND) entry->handler(*this);
    return code == CN_COMMAND || code == CN_QUERY_HANDLER;
}
