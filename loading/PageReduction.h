#pragma once

#include <QString>

// What a page's layout may cost. Qt's text browser lays a page out on the thread that draws the
// window, and some shapes cost it far more than their bytes (times on the 2-core test machine):
// tables nested 16 deep took 1.2 s and 20 deep 22 s, 20,000 unclosed headings 29 s, one word of
// a million letters more than a minute, 4 MB of ordinary words 4.8 s, 60,000 paragraphs 1.0 s.
// Teaching pages need a few levels of tables and lists, words of a few dozen letters and a few
// thousand elements; the bounds below leave such pages as they are and bring any page within the
// 4 MB file limit under 2 s of layout.
struct PageShape
{
  // Tables inside tables beyond this depth are flattened: rows become line breaks, cells spaces.
  int deepestTable = 4;
  // Lists inside lists beyond this depth are flattened: items become line breaks.
  int deepestList = 8;
  // Other elements (divisions, headings, quotes, bold, fonts...) open inside one another beyond
  // this depth are left out, text kept; sloppy pages leave a few unclosed, never dozens.
  int deepestNesting = 64;
  // A run of letters without a space gets a line-break opportunity (a zero-width space) after
  // this many. Qt's line breaking costs more per letter the longer the word: 400,000 letters took
  // 0.5 s in words of 200, 1.9 s in words of 2,000, 41 s in one word.
  int longestWord = 200;
  // Tags kept; later ones are left out, text kept.
  int mostElements = 10000;
  // Characters of text (and of style sheets in the page), some hundred printed pages; the rest of
  // the page is left out.
  int mostCharacters = 200000;
};

// The page's HTML reduced to shape: the same markup where the page stays inside it, comments
// left out. Does not need a window; linear in the page's length.
QString
reducedPage(const QString& html, const PageShape& shape = {});
