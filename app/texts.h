// Zorvik's fixed texts and addresses, each kept once.
#pragma once

// The main window's caption, and the key by which later instances find it.
inline constexpr char MainWindowTitle[] = "Simple GUI App For UPX Packer";
// What the path field shows while no file is chosen.
inline constexpr char PromptText[] = "Please Choose a File";

inline constexpr char PackerHomeAddress[] = "https://upx.github.io/";
inline constexpr char PackerDownloadAddress[] = "https://github.com/upx/upx/releases";
inline constexpr char MakerSiteAddress[] = "https://zorvik.github.io/";

// Caption of the messages that Zorvik itself shows about a failure.
inline constexpr char ZorvikCaption[] = "Zorvik";
inline constexpr wchar_t ZorvikCaptionW[] = L"Zorvik";

// WM_COPYDATA tag of a hand-off from a later instance.
inline constexpr unsigned long HandOffTag = 1;
// The same in UTF-16, for a name the ANSI code page cannot spell. Names that it
// can spell still travel as tag 1, which every Zorvik reads.
inline constexpr unsigned long HandOffTagWide = 2;
