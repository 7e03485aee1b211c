// Setting the grid up from the table after every import: one column per
// visible field, of the kind its type calls for, bound to the field by
// name; and sizing every column to its content.
#pragma once

namespace morvel {

class CustomDBGrid;
class DBGrid;

// The Data page grid's stored settings: one band in the default layout, one
// header row, the group panel shown, key field "RecordID" until the first
// import, and the window's grid options.
void configureViewerGrid(DBGrid& grid);

// Replaces every column of the grid by one per visible field of its data
// source's dataset, in field order, of the kind columnClassFor gives. With
// no dataset, or a closed one, the grid is left without columns.
void buildColumns(CustomDBGrid& grid);

// Sizes every column to its widest text and caption.
void bestFitColumns(CustomDBGrid& grid);

}  // namespace morvel
