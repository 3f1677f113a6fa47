#pragma once

// Sorting a grid by a click on a column title: the first click sorts the grid's query
// by that column ascending, the next click on the same column descending, and so on.

namespace dataset { class DBGrid; }

struct TGridSorter {
    static void AddGrid(dataset::DBGrid *grid);
};

inline constexpr TGridSorter GridSorter{};
