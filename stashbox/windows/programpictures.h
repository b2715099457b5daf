#pragma once

#include "iteminteraction.h"

// The program's own pictures, drawn at start rather than shipped as files.
struct ProgramPictures
{
    KindIcons small;     // SmallText, SmallRTF, SmallBitmap
    Picture largeText;   // LargeText: preview of an expanded Text row
    Picture largeRtf;    // LargeRTF
    Picture buttonArrow; // the in-row button
    Picture picture2;    // item menu: "Delete Item"
    Picture picture3;    // item menu: "Edit Item Name"
    Picture picture4;    // item menu: "Delete Item Name"
    Picture picture5;    // item menu: "Clear Clipboard"
    Picture openFile;    // the main window's buttons: Open, Save, Options, Delete
    Picture saveFile;
    Picture options;
    Picture deleteItem;
    Picture showClip; // tray menu: "Show Stashbox" and "Help"
    Picture help;
    Picture tss; // the list's built-in background pictures
    Picture sb;

    ItemPictures forItems() const { return {small, largeText, largeRtf, picture3, picture4, picture2, picture5}; }
};

KindIcons makeKindIcons();
ProgramPictures makeProgramPictures();
