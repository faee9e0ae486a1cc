#include "tests/framework/dialog_template_reader.h"

#include <cstring>

namespace {

class Reader {
public:
    Reader(const BYTE* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool ok() const { return ok_; }

    template <typename T>
    T Get() {
        T value{};
        if (pos_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, bytes_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }

    // A zero-ended UTF-16 string, narrowed to the ANSI code page.
    std::string String() {
        std::wstring wide;
        for (wchar_t c = Get<WORD>(); ok_ && c != 0; c = Get<WORD>()) wide += c;
        if (wide.empty()) return {};
        std::string narrow(wide.size() * 2, '\0');
        const int n = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), &narrow[0],
                                            int(narrow.size()), nullptr, nullptr);
        narrow.resize(n > 0 ? n : 0);
        return narrow;
    }

    // A string, or 0xFFFF and a number: "#n", or the predefined class's name.
    std::string StringOrNumber(bool isClass) {
        if (pos_ + 2 <= size_ && bytes_[pos_] == 0xFF && bytes_[pos_ + 1] == 0xFF) {
            Get<WORD>();
            const WORD number = Get<WORD>();
            static const char* const kClasses[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
            if (isClass && number >= 0x80 && number <= 0x85) return kClasses[number - 0x80];
            return "#" + std::to_string(number);
        }
        return String();
    }

    void AlignTo4() { pos_ = (pos_ + 3) & ~std::size_t(3); }
    void Skip(std::size_t n) {
        if (pos_ + n > size_) ok_ = false;
        else pos_ += n;
    }

private:
    const BYTE* bytes_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace

bool ReadDialogTemplate(const void* bytes, std::size_t size, DialogTemplate* out) {
    Reader r(static_cast<const BYTE*>(bytes), size);
    DialogTemplate t;
    t.version = r.Get<WORD>();
    t.signature = r.Get<WORD>();
    if (t.version != 1 || t.signature != 0xFFFF) return false;
    t.helpId = r.Get<DWORD>();
    t.exStyle = r.Get<DWORD>();
    t.style = r.Get<DWORD>();
    const WORD count = r.Get<WORD>();
    t.x = r.Get<short>();
    t.y = r.Get<short>();
    t.cx = r.Get<short>();
    t.cy = r.Get<short>();
    t.menu = r.StringOrNumber(false);
    t.className = r.StringOrNumber(false);
    t.caption = r.String();
    if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
        t.pointSize = r.Get<WORD>();
        t.weight = r.Get<WORD>();
        t.italic = r.Get<BYTE>();
        t.charset = r.Get<BYTE>();
        t.face = r.String();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.AlignTo4();
        TemplateItem item;
        item.helpId = r.Get<DWORD>();
        item.exStyle = r.Get<DWORD>();
        item.style = r.Get<DWORD>();
        item.x = r.Get<short>();
        item.y = r.Get<short>();
        item.cx = r.Get<short>();
        item.cy = r.Get<short>();
        item.id = r.Get<DWORD>();
        item.className = r.StringOrNumber(true);
        item.text = r.StringOrNumber(false);
        item.extraBytes = r.Get<WORD>();
        r.Skip(item.extraBytes);
        t.items.push_back(item);
    }
    if (!r.ok()) return false;
    *out = t;
    return true;
}
