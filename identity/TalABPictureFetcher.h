#pragma once
// Refreshes the pictures of the cached Address Book identities: on a thread of its own, at the
// lowest priority, it asks the address book for the picture of every card the cache holds and
// stores each one as it arrives, then ends. The application makes one at launch and keeps it
// until it quits.
#include "identity/AddressBook.h"

#include <memory>
#include <string>
#include <thread>

namespace talv {

class TalABPictureFetcher {
public:
    // Starts the fetch thread.
    TalABPictureFetcher();
    // Stops waiting for pictures that have not arrived and joins the thread.
    ~TalABPictureFetcher();
    TalABPictureFetcher(const TalABPictureFetcher&) = delete;
    TalABPictureFetcher& operator=(const TalABPictureFetcher&) = delete;

    // Blocks until every requested picture has arrived and been stored. Owner's thread only.
    void waitUntilDone();

private:
    class PictureMap;
    void abPictureFetcher();
    void fetchPicture(const std::string& abuuid);

    std::shared_ptr<AddressBook> book_;  // read by the fetch thread, which alone uses it
    std::shared_ptr<PictureMap> map_;
    std::thread thread_;
};

}  // namespace talv
