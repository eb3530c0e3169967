// The system's code page as the plug-in's search folds it: its number, its
// lead bytes, and what each other byte from 0x80 up is, asked of the system one
// byte at a time.
#include "platform/platform.h"
#include "platform/win32/windows_headers.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 as the system's wide characters");

namespace platform {

void readSystemCodePage(CodePage& out) {
    out = CodePage{};
    const UINT codePage = GetACP();
    out.number = codePage;
    CPINFO info{};
    out.doubleByte = GetCPInfo(codePage, &info) != 0 && info.MaxCharSize > 1;
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
        const unsigned index = byte - 0x80;
        if (out.doubleByte && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(byte))) {
            out.leadByte[index] = true;
            continue;
        }
        // A byte the code page does not define is refused rather than mapped
        // to a stand-in character.
        const char single = static_cast<char>(byte);
        wchar_t wide = 0;
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &single, 1, &wide, 1) == 1)
            out.character[index] = static_cast<char16_t>(wide);
    }
}

}  // namespace platform
