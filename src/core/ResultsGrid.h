#pragma once
// The results grid as data: what the results window shows and what results files
// are written from and read into. Row 0 holds the column titles and column 0 the
// row numbers. A row may hold more cells than ColCount (fields beyond the title
// line of an opened file); those lie outside the visible columns.

#include <string>
#include <vector>

inline constexpr const char* kMarkRed = "clred";
inline constexpr const char* kMarkGreen = "clgreen";

struct ResultsGrid {
    int ColCount = 2;
    int DefaultColWidth = 100;
    std::vector<int> ColWidths;               // per column; 0 means the default width
    std::vector<std::vector<std::string>> Rows;  // Rows.size() is the row count
    std::vector<std::string> Marks;           // colour mark per row ("clred", "clgreen" or empty)

    // A grid of rows x cols empty cells.
    static ResultsGrid Empty(int rows = 2, int cols = 2) {
        ResultsGrid g;
        g.ColCount = cols;
        g.Rows.assign(rows, std::vector<std::string>(cols));
        g.Marks.assign(rows, std::string());
        return g;
    }

    int RowCount() const { return static_cast<int>(Rows.size()); }

    const std::string& Cell(int col, int row) const {
        static const std::string empty;
        if (row < 0 || row >= RowCount()) return empty;
        const auto& r = Rows[row];
        if (col < 0 || col >= static_cast<int>(r.size())) return empty;
        return r[col];
    }

    void SetCell(int col, int row, std::string text) {
        if (row < 0 || col < 0) return;
        if (row >= RowCount()) {
            Rows.resize(row + 1);
            Marks.resize(row + 1);
        }
        auto& r = Rows[row];
        if (col >= static_cast<int>(r.size())) r.resize(col + 1);
        r[col] = std::move(text);
    }

    int ColWidth(int col) const {
        if (col >= 0 && col < static_cast<int>(ColWidths.size()) && ColWidths[col] > 0)
            return ColWidths[col];
        return DefaultColWidth;
    }

    void SetColWidth(int col, int width) {
        if (col < 0) return;
        if (col >= static_cast<int>(ColWidths.size())) ColWidths.resize(col + 1, 0);
        ColWidths[col] = width;
    }

    const std::string& Mark(int row) const {
        static const std::string empty;
        return (row >= 0 && row < static_cast<int>(Marks.size())) ? Marks[row] : empty;
    }
};
