// The one owner of the configuration in memory. CPreferences loads it and saves it, the
// acquisition engine and the link read it and keep their working values in it, the settings
// windows edit it.
//
// Threads: one lock guards the record, held for a change or a copy and never across I/O; a
// reader always gets one complete state. Edits are saved in the order they are made: an edit
// changes the record under the lock, then the registered saver writes the configuration file
// and the listeners are told, before the next edit starts. A saver or listener reads the record
// (snapshot, modify) but must not edit, save or register.
#pragma once

#include "acquisition/app/SettingsRecords.h"

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace zarn {

class ConfigurationStore {
public:
    using Saver = std::function<bool()>;
    using Listener = std::function<void()>;

    ConfigurationStore() = default;
    explicit ConfigurationStore(const Configuration& initial) : record_(initial) {}
    ConfigurationStore(const ConfigurationStore&) = delete;
    ConfigurationStore& operator=(const ConfigurationStore&) = delete;

    // A consistent copy, from any thread.
    Configuration snapshot() const {
        std::lock_guard lock(mutex_);
        return record_;
    }
    // Replaces the whole record (the configuration just loaded). Not saved, listeners told.
    void publish(const Configuration& configuration);
    // A short change or read under the lock: the working values the link computes (depth scale,
    // encoder frequency), which are not saved and not announced.
    template <class Change> void modify(Change&& change) {
        std::lock_guard lock(mutex_);
        change(record_);
    }
    // An operator's edit: changed under the lock, saved, then announced. False when the saver
    // could not write the file (the change stays in memory); true without a saver.
    template <class Change> [[nodiscard]] bool edit(Change&& change) {
        std::lock_guard order(editMutex_);
        modify(std::forward<Change>(change));
        const bool saved = !saver_.second || saver_.second();
        tellListeners();
        return saved;
    }
    // Saves the record as it is, in order with the edits.
    [[nodiscard]] bool save() {
        std::lock_guard order(editMutex_);
        return !saver_.second || saver_.second();
    }

    // The saver of the edits, registered by its owner; dropSaver only removes the owner's own.
    void setSaver(const void* owner, Saver saver);
    void dropSaver(const void* owner);
    // Listeners are told after every edit and publication, on the editing thread.
    void listen(const void* owner, Listener listener);
    void stopListening(const void* owner);

private:
    void tellListeners();

    mutable std::mutex mutex_; // the record
    Configuration record_;
    std::mutex editMutex_; // edits with their saves, and the registrations
    std::pair<const void*, Saver> saver_{nullptr, nullptr};
    std::vector<std::pair<const void*, Listener>> listeners_;
};

} // namespace zarn
