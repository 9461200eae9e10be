#pragma once

namespace widgets {

// Screen readers see the article grid as a tree of cells, like any Qt item view, but
// with the mixed state of a partly ticked product group, which Qt's own item-view
// accessibility does not report. Idempotent; the grid installs it itself.
void InstallArticleGridAccessibility();

} // namespace widgets
