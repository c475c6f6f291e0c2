// A results file opened in the results window: the header lines with the device
// values, the records marker, the title line and the data rows.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFiles.h"
#include "bench/BenchPorts.h"
#include "core/ResultsGrid.h"
#include "core/SharedState.h"
#include "results/ResultsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name = Scratch().Write("results.csv", data, size).string();

    NullUi ui;
    NullComm comm;
    SharedState s(ui, comm);
    ResultsGrid grid = ResultsGrid::Empty();
    ReadResultsFile(s, name, grid);

    // The grid the window is given is consistent: one colour mark per row, and
    // every visible cell can be read.
    FUZZ_CHECK(grid.Marks.size() == grid.Rows.size());
    FUZZ_CHECK(grid.ColCount >= 0);
    size_t text = 0;
    for (int row = 0; row < grid.RowCount(); ++row)
        for (int col = 0; col < grid.ColCount; ++col) text += grid.Cell(col, row).size();
    FUZZ_CHECK(text <= size + static_cast<size_t>(grid.RowCount()) * 8 + 64);
    return 0;
}
