#include "app/ChatActions.h"

#include "actions/ClientApplications.h"
#include "actions/FileManagerReveal.h"
#include "app/WidgetSupport.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <gtkmm/box.h>

namespace talv {
namespace {

constexpr double kNotificationSeconds = 15;

}  // namespace

ChatActions::ChatActions(Outlets outlets)
    : outlets_(outlets), ichatCheck_(outlets.defaults, outlets.iChatDefaults),
      deleteSheet_(outlets.window, {tr("Cancel"), tr("Delete")}, tr("Move the transcript file to the Trash"),
                   [this](std::size_t button, bool checked) {
                       if (button == 1) confirmDeleteChat(checked);
                       chatIDForDeletion_.reset();  // in every case
                   }),
      trashFailedSheet_(outlets.window, {tr("Cancel"), tr("Delete from Archive Only")}, std::nullopt,
                        [this](std::size_t button, bool) { answerTrashFailure(button == 1); }),
      ichatSheet_(outlets.window, {tr("Not Now"), tr("Save Chats")}, tr("Don't show this again"),
                  [this](std::size_t button, bool checked) { answerIChatOffer(button == 1, checked); }),
      messageSheet_(outlets.window, {tr("OK")}, std::nullopt, [](std::size_t, bool) {}),
      undoButton_(tr("Undo")) {
    deleteSheet_.setDestructive(true);
    trashFailedSheet_.setDestructive(true);

    auto* bar = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    bar->add_css_class("talv-notification");
    bar->set_margin(6);
    notificationText_.set_hexpand(true);
    notificationText_.set_xalign(0);
    setAccessibleName(undoButton_, tr("Undo Delete Chat"));
    undoButton_.signal_clicked().connect([this] { undoDeleteChat(); });
    dismissButton_.set_icon_name("window-close-symbolic");
    dismissButton_.add_css_class("flat");
    dismissButton_.set_tooltip_text(tr("Dismiss"));
    setAccessibleName(dismissButton_, tr("Dismiss"));
    dismissButton_.signal_clicked().connect([this] { notificationBar_.set_reveal_child(false); });
    bar->append(notificationText_);
    bar->append(undoButton_);
    bar->append(dismissButton_);
    notificationBar_.set_child(*bar);
    notificationBar_.set_reveal_child(false);
}

ChatActions::~ChatActions() { *alive_ = false; }

void ChatActions::deleteChat() {
    chatIDForDeletion_ = outlets_.talvController.selectedChatID();
    if (!chatIDForDeletion_) return;
    (void)outlets_.defaults.synchronize();  // only re-reads; a pending write is retried later
    deleteSheet_.present(tr("Delete this chat?"),
                         formatString(tr("The chat %@ is removed from the archive; indexing does not read its "
                                         "transcript file again."),
                                      {outlets_.describeSelectedChat()}),
                         outlets_.defaults.boolForKey("MoveToTrashOnDelete"));
}

void ChatActions::confirmDeleteChat(bool moveToTrash) {
    if (!chatIDForDeletion_) return;
    // The dialog's box is the preference.
    if (!outlets_.defaults.setObject("MoveToTrashOnDelete", moveToTrash))
        tell(tr("Your preferences could not be saved"), tr("Moving deleted transcripts to the Trash is set for this session only."));
    performDeletion(*chatIDForDeletion_, moveToTrash);
}

void ChatActions::performDeletion(std::int64_t chatID, bool moveToTrash) {
    ChatDeletion deletion = talv::deleteChat(chatID, moveToTrash);
    switch (deletion.status) {
    case ChatDeletion::Status::Deleted:
        undo_ = std::move(deletion.undo);
        if (undoChanged) undoChanged();
        refilter();
        showNotification(undo_ && undo_->trashed ? tr("The chat was deleted and its transcript file moved to the Trash.")
                                                 : tr("The chat was deleted."),
                         undo_.has_value());
        break;
    case ChatDeletion::Status::TrashFailed:
        chatIDForArchiveOnly_ = chatID;
        trashFailedSheet_.present(tr("The transcript file could not be moved to the Trash"),
                                  deletion.message + "\n\n" +
                                      tr("The chat stays in the archive. You can delete it from the archive alone; "
                                         "its transcript file then stays where it is."));
        break;
    case ChatDeletion::Status::NoSuchChat:
    case ChatDeletion::Status::Failed:
        tell(tr("The chat could not be deleted"), deletion.message);
        break;
    }
}

void ChatActions::answerTrashFailure(bool deleteFromArchive) {
    const std::optional<std::int64_t> chatID = std::exchange(chatIDForArchiveOnly_, std::nullopt);
    if (deleteFromArchive && chatID) performDeletion(*chatID, false);
}

void ChatActions::undoDeleteChat() {
    if (!undo_) return;
    const std::string problem = undoDeletion(*undo_);
    if (!problem.empty()) {
        tell(tr("The chat could not be put back"), problem);
        return;
    }
    const std::int64_t chatID = undo_->chatID;
    undo_.reset();
    if (undoChanged) undoChanged();
    hideNotification_.invalidate();
    notificationBar_.set_reveal_child(false);
    outlets_.talvController.setSelectedChatID(chatID);  // selected again once listed
    refilter();
}

void ChatActions::openInIChat() {
    TalSQLiteDataSource* ds = outlets_.ds();
    if (!ds || !outlets_.talvController.selectedChatID()) return;
    const std::optional<std::string> path = ds->objectForCurrentChatProperty("filepath");
    if (!path) return;
    const std::optional<std::string> client = clientApplicationName(ds->objectForCurrentChatProperty("kind"), *path);
    if (!client) return;
    const std::string problem = openInClient(*path, *client, outlets_.defaults);
    if (!problem.empty()) tell(formatString(tr("The transcript could not be opened in %@"), {*client}), problem);
}

void ChatActions::doShowInFinder() {
    TalSQLiteDataSource* ds = outlets_.ds();
    if (!ds || !outlets_.talvController.selectedChatID()) return;
    const std::optional<std::string> path = ds->objectForCurrentChatProperty("filepath");
    if (!path) return;
    revealInFileManager(*path, [this, alive = alive_](const std::string& problem) {
        if (*alive && !problem.empty()) tell(tr("The transcript file could not be shown"), problem);
    });
}

void ChatActions::doIChatPrefsCheck() {
    if (!ichatCheck_.doIChatPrefsCheck()) return;
    ichatSheet_.present(tr("iChat does not save your chats"),
                        tr("Talvessa shows the chats that iChat saved. Shall iChat save its chat transcripts from now on?"));
}

void ChatActions::answerIChatOffer(bool enable, bool dontShowAgain) {
    const bool saved = enable ? ichatCheck_.confirmEnableIChat(dontShowAgain) : ichatCheck_.cancelEnableIChat(dontShowAgain);
    if (!saved) {
        tell(tr("The setting could not be saved"),
             formatString(tr("\"%@\" or \"%@\" could not be written."),
                          {outlets_.iChatDefaults.filePath().string(), outlets_.defaults.filePath().string()}));
    }
}

void ChatActions::showNotification(const std::string& text, bool offerUndo) {
    notificationText_.set_text(text);
    undoButton_.set_visible(offerUndo);
    notificationBar_.set_reveal_child(true);
    hideNotification_ = RunLoop::scheduledTimer(Date::now().addingSeconds(kNotificationSeconds),
                                                [this] { notificationBar_.set_reveal_child(false); });
}

void ChatActions::refilter() {
    if (TalSQLiteDataSource* ds = outlets_.ds()) {
        ds->setSql(std::nullopt);
        ds->refilter();
    }
}

void ChatActions::tell(const std::string& heading, const std::string& message) { messageSheet_.present(heading, message); }

}  // namespace talv
