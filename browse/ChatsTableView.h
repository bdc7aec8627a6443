#pragma once
// What the chat query engine needs of the chats table, and what the table asks of it.
// A GTK column view in the shell and HeadlessChatsTable without a window implement the table.
// Main thread only.
#include "browse/ArrayController.h"
#include "platform/Value.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace talv {

class ChatsTableDataSource {
public:
    virtual ~ChatsTableDataSource() = default;
    virtual std::size_t numberOfRows() = 0;
    // The cell of a column identifier ("participants", "topic", ...; none reads the chat ID).
    virtual Value objectValue(const std::optional<std::string>& column, std::size_t row) = 0;
};

class ChatsTableDelegate {
public:
    virtual ~ChatsTableDelegate() = default;
    virtual void selectionDidChange() = 0;
    virtual void sortDescriptorsDidChange() = 0;
};

class ChatsTableView {
public:
    virtual ~ChatsTableView() = default;
    // The data source answers the row count and the cells; it outlives its use by the table.
    virtual void setDataSource(ChatsTableDataSource* dataSource) = 0;
    // The delegate hears selection and sort changes; nullptr detaches it (and so silences them).
    virtual void setDelegate(ChatsTableDelegate* delegate) = 0;
    virtual ChatsTableDelegate* delegate() const = 0;
    // Reads the number of rows again and drops cells shown so far; a selected row past the end is
    // dropped without telling the delegate.
    virtual void reloadData() = 0;
    virtual std::vector<SortDescriptor> sortDescriptors() const = 0;
    virtual std::optional<std::size_t> selectedRow() const = 0;
    // Selects one row, or none; a change is reported to the delegate.
    virtual void selectRow(std::optional<std::size_t> row) = 0;
};

}  // namespace talv
