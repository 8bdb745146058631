// The commands of the menus, the toolbar and the window's keys. The values
// are only names: nothing stores them, so their order carries no meaning.
#pragma once

namespace trevalin {

enum class Command {
    kFileNew,
    kFileOpen,
    kFileSave,
    kFileSaveAs,
    kFilePrintSetup,
    kFilePrint,
    kFilePrintPreview,
    kFileRecentFirst, // the first recent file, while the list has one
    kAppExit,
    kEditUndo,
    kEditRedo,
    kEditCut,
    kEditCopy,
    kEditPaste,
    kEditCopySettings,
    kEditPasteSettings,
    kViewToolbar,
    kViewStatusBar,
    kWindowSplit,
    kViewZoomIn,
    kViewZoomOut,
    kViewLivePreview,
    kImageSize,
    kImageSource,
    kPresetsView,
    kPresetsSave,
    kRenderImage,
    kRenderMovie,
    kRenderStop,
    kHelpIndex,
    kAppAbout,
    kContextHelp,
    kFocusNextPane,
    kFocusPreviousPane,
};

} // namespace trevalin
