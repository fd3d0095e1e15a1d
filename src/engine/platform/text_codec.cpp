#include "engine/platform/text_codec.h"

#include <iconv.h>

#include <cerrno>

namespace pixmill {
namespace {

class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(::iconv_open(to, from)) {}
    ~Converter() {
        if (valid())
            ::iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `input`; on an invalid sequence either fails (strict) or writes
    // `replacement` and skips one input byte.
    std::optional<std::string> convert(std::string_view input, bool strict,
                                       std::string_view replacement) {
        if (!valid())
            return std::nullopt;
        std::string output;
        output.resize(input.size() * 4 + 16);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char* out = output.data();
        size_t outLeft = output.size();
        while (inLeft > 0) {
            size_t result = ::iconv(handle_, &in, &inLeft, &out, &outLeft);
            if (result != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG) {
                size_t used = output.size() - outLeft;
                output.resize(output.size() * 2);
                out = output.data() + used;
                outLeft = output.size() - used;
                continue;
            }
            if (strict)
                return std::nullopt;
            // EILSEQ or EINVAL (truncated sequence at the end): replace one byte, go on.
            size_t used = output.size() - outLeft;
            if (outLeft < replacement.size()) {
                output.resize(output.size() + replacement.size() + 16);
                out = output.data() + used;
                outLeft = output.size() - used;
            }
            for (char c : replacement) {
                *out++ = c;
                --outLeft;
            }
            ++in;
            --inLeft;
            ::iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        }
        output.resize(output.size() - outLeft);
        return output;
    }

  private:
    iconv_t handle_;
};

}  // namespace

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    Converter converter("GBK", "UTF-8");
    return converter.convert(utf8, true, {});
}

std::string gbkToUtf8(std::string_view gbk) {
    Converter converter("UTF-8", "GBK");
    return converter.convert(gbk, false, "\xEF\xBF\xBD").value_or(std::string());
}

std::string utf16leToUtf8(std::string_view utf16le) {
    Converter converter("UTF-8", "UTF-16LE");
    return converter.convert(utf16le, false, "\xEF\xBF\xBD").value_or(std::string());
}

std::string utf8ToUtf16le(std::string_view utf8) {
    Converter converter("UTF-16LE", "UTF-8");
    return converter.convert(utf8, false, "\xFD\xFF").value_or(std::string());
}

std::string cutToBytes(const std::string& text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

}  // namespace pixmill
