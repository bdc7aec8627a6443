#pragma once
// What every cache lookup of one process shares, each part set up at most once even when
// several threads look up at the same moment: the purge of the transient rows, Adium's contact
// list, and the lock under which a handle missing from the cache is resolved and stored.
#include "identity/AdiumParticipantImporter.h"

#include <memory>
#include <mutex>
#include <vector>

namespace talv {

class FMDatabase;

class IdentityLookupState {
public:
    // The state of this process. A test makes a fresh one to stand for a new process.
    static std::shared_ptr<IdentityLookupState> process();

    // The first call deletes the transient rows through `db`; later calls (from any thread)
    // return once that is done.
    void purgeTransientRowsOnce(FMDatabase& db);
    // Adium's contact list, read by the first call and kept.
    const std::vector<AdiumContact>& adiumContacts();
    // Held while a handle missing from the cache is looked up and stored, so two threads asking
    // for the same new handle store it once.
    std::mutex& resolveMutex() { return resolveMutex_; }

private:
    std::once_flag purged_;
    std::once_flag adiumLoaded_;
    std::vector<AdiumContact> adiumContacts_;  // written once under adiumLoaded_
    std::mutex resolveMutex_;
};

}  // namespace talv
