// The engine's message procedure: texts by number, and the changes of the active document.
#pragma once

int DwgProc(int document, int message, int prm1, int prm2, double d1, double d2, void* pointer);
// The title from the active document's file name, or "bez nazwy".
void RefreshDrawingTitle();
