#pragma once
// The chats table without a window: a row count, a selection of one row or none, sort
// descriptors, and the cells read from the data source on demand. For the command line and tests.
#include "browse/ChatsTableView.h"

namespace talv {

class HeadlessChatsTable : public ChatsTableView {
public:
    void setDataSource(ChatsTableDataSource* dataSource) override { dataSource_ = dataSource; }
    void setDelegate(ChatsTableDelegate* delegate) override { delegate_ = delegate; }
    ChatsTableDelegate* delegate() const override { return delegate_; }
    void reloadData() override;
    std::vector<SortDescriptor> sortDescriptors() const override { return sortDescriptors_; }
    std::optional<std::size_t> selectedRow() const override { return selectedRow_; }
    void selectRow(std::optional<std::size_t> row) override;

    // As a click on a column header would: the delegate hears of it.
    void setSortDescriptors(std::vector<SortDescriptor> descriptors);
    std::size_t rowCount() const { return rowCount_; }
    // The cell as the data source gives it; the empty text without a data source.
    Value cell(const std::optional<std::string>& column, std::size_t row);

private:
    ChatsTableDataSource* dataSource_ = nullptr;
    ChatsTableDelegate* delegate_ = nullptr;
    std::vector<SortDescriptor> sortDescriptors_;
    std::optional<std::size_t> selectedRow_;
    std::size_t rowCount_ = 0;
};

}  // namespace talv
