// Reads an extended dialog template (DLGTEMPLATEEX) from resource bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

struct TemplateItem {
    DWORD helpId = 0, exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string className;  // predefined classes given by number read as their names
    std::string text;
    WORD extraBytes = 0;
};

struct DialogTemplate {
    WORD version = 0, signature = 0;
    DWORD helpId = 0, exStyle = 0, style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, className, caption;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::string face;
    std::vector<TemplateItem> items;
};

// False when the bytes are not a whole extended template.
bool ReadDialogTemplate(const void* bytes, std::size_t size, DialogTemplate* out);
