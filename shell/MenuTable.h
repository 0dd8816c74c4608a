// The main window's menu, as data: every item with its component name, caption and what it
// runs. The main window builds its menu bar from it.
#pragma once

#include <span>

enum class MenuKind { Menu, Submenu, Item, Separator, EndSubmenu, EndMenu };

// What an item runs: an engine command (its code), or one of the program's own flows.
enum class MenuAction {
    Nothing,
    Engine,
    Projects,
    OpenKwl,
    OpenDxf,
    OpenRdw,
    NewDrawing,
    ImportKwl,
    ExportDxf,
    Save,
    SaveAs,
    FileList,
    CloseActive,
    PrintSetup,
    Quit,
    FindText,
    SelectTexts,
    SelectAll,
    SelectNone,
    ToggleLayers,
    ToggleLineStyles,
    ToggleSnaps,
    ToggleDraw,
    ToggleEdit,
    ToggleModify,
    SignsAll,
    Signs1,
    Signs2,
    Signs3,
    Signs4,
    Signs9,
    LayersDialog,
    Multiplier,
    Background,
    ReadDefaults,
    SaveSettings,
    Description,
    About,
};

struct MenuEntry {
    MenuKind kind;
    const char* name;       // the component's name, its objectName
    const char8_t* caption; // UTF-8
    int code;               // engine command code for MenuAction::Engine
    MenuAction action;
};

std::span<const MenuEntry> MainMenuTable();

struct SpeedButtonEntry {
    const char* name;
    const char8_t* hint;
    int code;
};

// The speed buttons below the drawing, left to right: eight in Panel_zoom, two in
// Panel_SvedView.
std::span<const SpeedButtonEntry> SpeedButtonTable();
