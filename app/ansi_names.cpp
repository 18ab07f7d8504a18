#include "app/ansi_names.h"

bool TakesBestFitFlags(unsigned codePage) {
    switch (codePage) {
    case 42:    // symbol
    case 50220: // the ISO-2022 pages
    case 50221:
    case 50222:
    case 50225:
    case 50227:
    case 50229:
    case 54936: // GB18030
    case 65000: // UTF-7
    case 65001: // UTF-8
        return false;
    }
    return codePage < 57002 || codePage > 57011; // ISCII
}

bool NoLeadBytes(unsigned char) {
    return false;
}

size_t CharacterEnd(const std::string& text, size_t at, LeadByteTest isLead) {
    return isLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? at + 2 : at + 1;
}

std::wstring WidenAscii(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::string AsciiSketch(const std::wstring& name) {
    std::string sketch;
    sketch.reserve(name.size());
    for (wchar_t c : name)
        sketch += c < 0x80 ? static_cast<char>(c) : '?';
    return sketch;
}

std::wstring BareName(const std::wstring& name) {
    size_t begin = name.find_first_not_of(L" \t");
    if (begin == std::wstring::npos) return std::wstring();
    size_t end = name.find_last_not_of(L" \t") + 1;
    if (end - begin >= 2 && name[begin] == L'"' && name[end - 1] == L'"') {
        ++begin;
        --end;
    }
    return name.substr(begin, end - begin);
}

std::wstring NamesNotTakenText(const std::vector<std::wstring>& names) {
    constexpr size_t shown = 20;
    std::wstring text =
        names.size() == 1 ? L"This file was left out:" : L"These files were left out:";
    text += L"\n\n";
    for (size_t i = 0; i < names.size() && i < shown; ++i)
        text += BareName(names[i]) + L"\n";
    if (names.size() > shown)
        text += L"... and " + WidenAscii(std::to_string(names.size() - shown)) + L" more.\n";
    return text + L"\nThe packer takes only names that Windows' ANSI code page can spell, and "
                  L"some of these characters are not in it. Renaming the file with other "
                  L"letters lets Zorvik pack it in a batch; on its own, from the path field, "
                  L"Zorvik packs it as it is named.";
}

std::wstring FolderNotSpellableText(const std::wstring& folder) {
    return L"Zorvik cannot start from this folder: the packer takes only names that Windows' "
           L"ANSI code page can spell, and the folder's name has characters that are not in "
           L"it.\n\n" +
           folder + L"\n\nPlease move Zorvik.exe and upx.exe to a folder named with other letters.";
}
