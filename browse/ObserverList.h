#pragma once
// Observers of one change, each kept while its token lives. Observers may add or remove
// observers (themselves included) while being told; the list may go before its tokens.
// Main thread only.
#include "platform/ObserverToken.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace talv {

class ObserverList {
public:
    [[nodiscard]] ObserverToken add(std::function<void()> observer) {
        const std::size_t id = nextId_++;
        observers_->emplace(id, std::move(observer));
        return ObserverToken([weak = std::weak_ptr<Map>(observers_), id] {
            if (auto map = weak.lock()) map->erase(id);
        });
    }

    void notify() const {
        const std::shared_ptr<Map> map = observers_;  // outlives an owner destroyed by an observer
        std::vector<std::size_t> ids;
        for (const auto& entry : *map) ids.push_back(entry.first);
        for (std::size_t id : ids) {
            if (map.use_count() == 1) return;  // the owner has gone
            auto it = map->find(id);
            if (it == map->end()) continue;
            auto observer = it->second;  // a copy: the observer may remove itself
            observer();
        }
    }

private:
    using Map = std::map<std::size_t, std::function<void()>>;
    std::shared_ptr<Map> observers_ = std::make_shared<Map>();
    std::size_t nextId_ = 1;
};

}  // namespace talv
