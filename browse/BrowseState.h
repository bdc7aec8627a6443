#pragma once
// The shared state of browsing that the application controller publishes and the query engine
// reads and writes: the search text, the selected chat, the busy flag and the statistics line.
// Observers are told after every change of a property's value. Main thread only.
#include "browse/ObserverList.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace talv {

class BrowseState {
public:
    const std::string& searchText() const { return searchText_; }
    void setSearchText(std::string text) { assign(searchText_, std::move(text), searchTextObservers_); }
    std::optional<std::int64_t> selectedChatID() const { return selectedChatID_; }
    void setSelectedChatID(std::optional<std::int64_t> id) { assign(selectedChatID_, id, selectedChatIDObservers_); }
    bool chatsFilterRunning() const { return chatsFilterRunning_; }
    void setChatsFilterRunning(bool running) { assign(chatsFilterRunning_, running, chatsFilterRunningObservers_); }
    const std::string& statisticsText() const { return statisticsText_; }
    void setStatisticsText(std::string text) { assign(statisticsText_, std::move(text), statisticsTextObservers_); }

    [[nodiscard]] ObserverToken observeSearchText(std::function<void()> f) { return searchTextObservers_.add(std::move(f)); }
    [[nodiscard]] ObserverToken observeSelectedChatID(std::function<void()> f) { return selectedChatIDObservers_.add(std::move(f)); }
    [[nodiscard]] ObserverToken observeChatsFilterRunning(std::function<void()> f) { return chatsFilterRunningObservers_.add(std::move(f)); }
    [[nodiscard]] ObserverToken observeStatisticsText(std::function<void()> f) { return statisticsTextObservers_.add(std::move(f)); }

private:
    template <typename T>
    static void assign(T& field, T value, const ObserverList& observers) {
        if (field == value) return;
        field = std::move(value);
        observers.notify();
    }

    std::string searchText_;
    std::optional<std::int64_t> selectedChatID_;
    bool chatsFilterRunning_ = false;
    std::string statisticsText_;
    ObserverList searchTextObservers_, selectedChatIDObservers_, chatsFilterRunningObservers_, statisticsTextObservers_;
};

}  // namespace talv
