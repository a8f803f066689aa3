#include "engine/host.h"

namespace hk {

MenuItem* FindMenuItem(std::vector<MenuItem>& items, std::string_view name) {
    for (MenuItem& item : items) {
        if (item.name == name)
            return &item;
        if (MenuItem* found = FindMenuItem(item.items, name))
            return found;
    }
    return nullptr;
}

const MenuItem* FindMenuItem(const std::vector<MenuItem>& items, std::string_view name) {
    return FindMenuItem(const_cast<std::vector<MenuItem>&>(items), name);
}

} // namespace hk
