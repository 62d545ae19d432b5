#pragma once

class QTabWidget;
class QToolBox;
class QWidget;

// The layout names Windows fonts ("MS Shell Dlg 2", "Tahoma"). Where they are missing, the
// toolkit would fall back to the desktop's default face, which is much wider (DejaVu Sans on most
// Linux desktops) and pushed the window past the edge of common screens. These stand-ins have
// Arial's widths, which Tahoma's are close to; the first one installed is used.
void
substituteWindowsFonts();

// Lets each structure row of page show its spin box in full in the fonts at hand: the spin box is
// at least as wide as its text and arrows need, and the row, still of fixed height, leaves it the
// height it needs. Rows keep their 45 pixels wherever that is enough; they stand close together.
void
fitStructureRows(QWidget* page);

// Makes toolBox tall enough to show rows of the structure rows on page without scrolling.
void
keepStructureRowsInView(QToolBox* toolBox, QWidget* page, int rows);

// Lets the section tabs' controls stand closer, which on a screen 768 pixels high leaves the
// structure list the height of a row more.
void
tightenSectionTabs(QTabWidget* tabs);
