#include "acquisition/app/ConfigurationStore.h"

#include <algorithm>

namespace zarn {

void ConfigurationStore::publish(const Configuration& configuration) {
    std::lock_guard order(editMutex_);
    modify([&](Configuration& c) { c = configuration; });
    tellListeners();
}

void ConfigurationStore::setSaver(const void* owner, Saver saver) {
    std::lock_guard order(editMutex_);
    saver_ = {owner, std::move(saver)};
}

void ConfigurationStore::dropSaver(const void* owner) {
    std::lock_guard order(editMutex_);
    if (saver_.first == owner)
        saver_ = {nullptr, nullptr};
}

void ConfigurationStore::listen(const void* owner, Listener listener) {
    std::lock_guard order(editMutex_);
    listeners_.emplace_back(owner, std::move(listener));
}

void ConfigurationStore::stopListening(const void* owner) {
    std::lock_guard order(editMutex_);
    std::erase_if(listeners_, [owner](const auto& l) { return l.first == owner; });
}

void ConfigurationStore::tellListeners() {
    for (const auto& [owner, listener] : listeners_)
        listener();
}

} // namespace zarn
