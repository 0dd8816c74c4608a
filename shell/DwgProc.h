// The engine's message procedure: texts by number, and the changes of the active document.
#pragma once

int DwgProc(int document, int message, int prm1, int prm2, double d1, double d2, void* pointer);
#include <QString>

// A document's file name without folder (-1: the active one), or "bez nazwy" for an untitled
// one.
QString DocumentDisplayName(int document);
// The title from the active document's file name, or "bez nazwy", marked while the drawing has
// unsaved changes.
void RefreshDrawingTitle();
