#pragma once
// The main window's actions on the selected chat: deleting it (after its confirmation dialog,
// the chat fixed when the dialog opens, the transcript file to the Trash when the user wants it),
// putting the last deletion back, opening the file in its client, showing it in the file
// manager; and the once-per-launch offer to switch iChat's saving on. Failures reach the user in
// a dialog. Main thread only.
#include "actions/ChatDeletion.h"
#include "actions/IChatSavingCheck.h"
#include "app/AlertSheet.h"
#include "browse/BrowseState.h"
#include "browse/TalSQLiteDataSource.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"

#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/revealer.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace talv {

class ChatActions {
public:
    struct Outlets {
        Gtk::Window& window;
        BrowseState& talvController;
        // The query engine, or none when the archive cannot be opened.
        std::function<TalSQLiteDataSource*()> ds;
        // "<participants> – <date started>" of the selected chat, as the chats table shows it.
        std::function<std::string()> describeSelectedChat;
        UserDefaults& defaults;
        UserDefaults& iChatDefaults;  // "com.apple.iChat"
    };

    explicit ChatActions(Outlets outlets);
    ~ChatActions();
    ChatActions(const ChatActions&) = delete;
    ChatActions& operator=(const ChatActions&) = delete;

    // The bar that tells of a deletion and offers to undo it; the window places it.
    Gtk::Widget& notificationBar() { return notificationBar_; }
    // Told whenever canUndo() may have changed.
    std::function<void()> undoChanged;

    // Fixes the selected chat and asks for confirmation.
    void deleteChat();
    void undoDeleteChat();
    bool canUndo() const { return undo_.has_value(); }
    // Opens the selected chat's transcript file in the client that wrote it.
    void openInIChat();
    void doShowInFinder();
    // At the first showing of the window only.
    void doIChatPrefsCheck();

    // The dialogs and the chat the open delete dialog is about, for tests.
    AlertSheet& deleteSheet() { return deleteSheet_; }
    AlertSheet& trashFailedSheet() { return trashFailedSheet_; }
    AlertSheet& ichatSheet() { return ichatSheet_; }
    AlertSheet& messageSheet() { return messageSheet_; }
    std::optional<std::int64_t> chatIDForDeletion() const { return chatIDForDeletion_; }
    bool isNotificationShown() const { return notificationBar_.get_reveal_child(); }

private:
    void confirmDeleteChat(bool moveToTrash);
    void performDeletion(std::int64_t chatID, bool moveToTrash);
    void answerTrashFailure(bool deleteFromArchive);
    void answerIChatOffer(bool enable, bool dontShowAgain);
    void showNotification(const std::string& text, bool offerUndo);
    void refilter();
    void tell(const std::string& heading, const std::string& message);

    Outlets outlets_;
    IChatSavingCheck ichatCheck_;
    AlertSheet deleteSheet_, trashFailedSheet_, ichatSheet_, messageSheet_;
    std::optional<std::int64_t> chatIDForDeletion_;
    std::optional<std::int64_t> chatIDForArchiveOnly_;  // while the trash failure is asked about
    std::optional<DeletedChat> undo_;
    Gtk::Revealer notificationBar_;
    Gtk::Label notificationText_;
    Gtk::Button undoButton_, dismissButton_;
    Timer hideNotification_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace talv
