// The column customizing form: a tool window listing the hidden columns.
#include "grid/CustomTreeListControl.h"

namespace morvel {

bool CustomTreeListControl::customizingFormOpen() const { return false; }

bool CustomTreeListControl::pointOverCustomizingForm(Point) const { return false; }

}  // namespace morvel
