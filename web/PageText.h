#pragma once

#include <QString>

// A page of the model (Help, About, a structure's description) as plain text for the web page,
// which puts it in as text, never as markup: nothing a model folder holds runs in a student's
// browser. Paragraphs, headings, list items and line breaks become line ends; scripts and style
// sheets are dropped with their content; entities are decoded; runs of blanks become one.
QString
pagePlainText(const QString& html);
