#include "browse/HeadlessChatsTable.h"

namespace talv {

void HeadlessChatsTable::reloadData() {
    rowCount_ = dataSource_ ? dataSource_->numberOfRows() : 0;
    if (selectedRow_ && *selectedRow_ >= rowCount_) selectedRow_.reset();  // silently, as a reload does
}

void HeadlessChatsTable::selectRow(std::optional<std::size_t> row) {
    if (row && *row >= rowCount_) row.reset();
    if (row == selectedRow_) return;
    selectedRow_ = row;
    if (delegate_) delegate_->selectionDidChange();
}

void HeadlessChatsTable::setSortDescriptors(std::vector<SortDescriptor> descriptors) {
    if (descriptors == sortDescriptors_) return;
    sortDescriptors_ = std::move(descriptors);
    if (delegate_) delegate_->sortDescriptorsDidChange();
}

Value HeadlessChatsTable::cell(const std::optional<std::string>& column, std::size_t row) {
    return dataSource_ ? dataSource_->objectValue(column, row) : Value("");
}

}  // namespace talv
