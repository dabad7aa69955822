#include "scheduler/app/action_table.h"

#include <algorithm>

#include "scheduler/app/text.h"

namespace tolvare::plenar {

namespace {

struct Column {
    const wchar_t* caption;
    int widthTwips;
};
constexpr Column kColumns[] = {{L"Heures", 600}, {L"Actions", 5370}, {L"Chiffre", 600}};

}  // namespace

HWND ActionTable::create(HWND parent, int id, const RECT& bounds, int dpi, HFONT font) {
    window_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                  LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                              bounds.left, bounds.top, bounds.right - bounds.left,
                              bounds.bottom - bounds.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
    if (!window_) return nullptr;
    if (font) SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ListView_SetExtendedListViewStyle(window_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumns[i].caption);
        column.cx = columnWidth(i, dpi);
        column.iSubItem = i;
        ListView_InsertColumn(window_, i, &column);
    }
    refresh();
    return window_;
}

int ActionTable::columnWidth(int column, int dpi) const {
    // The design widths, but never narrower than the caption: the system's header font is wider
    // than the one the widths were chosen for.
    const int captionWidth = ListView_GetStringWidth(window_, kColumns[column].caption) + MulDiv(16, dpi, 96);
    return std::max(MulDiv(kColumns[column].widthTwips, dpi, 1440), captionWidth);
}

void ActionTable::setDpi(int dpi) {
    if (!window_) return;
    for (int i = 0; i < 3; ++i) ListView_SetColumnWidth(window_, i, columnWidth(i, dpi));
}

void ActionTable::refresh() {
    if (!window_) return;
    const std::size_t count = (rows_ ? rows_->size() : 0) + 1;
    ListView_SetItemCountEx(window_, static_cast<int>(std::min<std::size_t>(count, INT_MAX)),
                            LVSICF_NOSCROLL);
    InvalidateRect(window_, nullptr, FALSE);
}

const std::string* ActionTable::cellBytes(int viewRow, int column) const {
    const std::optional<std::size_t> row = dataRow(viewRow);
    if (!row || !rows_ || *row >= rows_->size()) return nullptr;
    const scheduler::ActionLine& line = (*rows_)[*row];
    switch (column) {
    case 0: return &line.time;
    case 1: return &line.action;
    case 2: return &line.sortKey;
    default: return nullptr;
    }
}

bool ActionTable::handleNotify(const NMHDR& header) {
    if (header.hwndFrom != window_ || header.code != LVN_GETDISPINFOW) return false;
    auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
    if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return true;
    info.item.pszText[0] = L'\0';
    const std::string* bytes = cellBytes(info.item.iItem, info.item.iSubItem);
    if (!bytes || bytes->empty()) return true;
    // In the ANSI code page a character never takes fewer bytes than UTF-16 units, so the first
    // cchTextMax - 1 bytes always fit; a longer cell is shown cut, as the list view would.
    const int length = static_cast<int>(std::min<std::size_t>(bytes->size(), info.item.cchTextMax - 1));
    const int written = MultiByteToWideChar(CP_ACP, 0, bytes->data(), length, info.item.pszText,
                                            info.item.cchTextMax - 1);
    info.item.pszText[std::max(written, 0)] = L'\0';
    return true;
}

std::optional<TableCell> ActionTable::cellAt(POINT clientPoint) const {
    LVHITTESTINFO hit{};
    hit.pt = clientPoint;
    if (ListView_SubItemHitTest(window_, &hit) < 0 || hit.iItem < 0) return std::nullopt;
    return TableCell{hit.iItem, hit.iSubItem};
}

std::wstring ActionTable::cellText(const TableCell& cell) const {
    const std::string* bytes = cellBytes(cell.viewRow, cell.column);
    return bytes ? fromAnsi(*bytes) : std::wstring();
}

}  // namespace tolvare::plenar
