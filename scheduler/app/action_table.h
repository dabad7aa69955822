// The action table of the main window: a virtual list view over the scheduler's rows. The
// header row is the list view's header; view row 0 is the one blank row (its empty key sorts
// before every other), and view row i > 0 shows data row i - 1. The view holds no copy of the
// rows, so refilling it costs the same for ten rows or ten thousand.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "scheduler/core/action_list.h"

namespace tolvare::plenar {

struct TableCell {
    int viewRow = 0;  // 0: the blank row
    int column = 0;   // 0 "Heures", 1 "Actions", 2 "Chiffre"
};

class ActionTable {
public:
    // Creates the list view; `dpi` scales the column widths, which are given in twips. The
    // font, when given, stays the caller's.
    HWND create(HWND parent, int id, const RECT& bounds, int dpi, HFONT font = nullptr);
    HWND window() const { return window_; }
    // The column widths for another DPI (after the window's font has changed to it).
    void setDpi(int dpi);

    // The rows shown; the table only reads them, and must be refreshed after they change.
    void setRows(const std::vector<scheduler::ActionLine>* rows) { rows_ = rows; }
    void refresh();

    // LVN_GETDISPINFOW; true when the notification was the table's.
    bool handleNotify(const NMHDR& header);

    std::optional<TableCell> cellAt(POINT clientPoint) const;
    std::wstring cellText(const TableCell& cell) const;
    // The data row of a view row, or nothing for the blank row.
    static std::optional<std::size_t> dataRow(int viewRow) {
        return viewRow > 0 ? std::optional<std::size_t>(static_cast<std::size_t>(viewRow - 1))
                           : std::nullopt;
    }

private:
    int columnWidth(int column, int dpi) const;
    const std::string* cellBytes(int viewRow, int column) const;

    HWND window_ = nullptr;
    const std::vector<scheduler::ActionLine>* rows_ = nullptr;
};

}  // namespace tolvare::plenar
