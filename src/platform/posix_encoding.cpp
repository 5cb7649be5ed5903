#include "platform/encoding.h"

#include <cerrno>
#include <iconv.h>

namespace tarnwell {

namespace {

    // U+FFFD, the stand-in for a unit that has no valid form, in each code.
    constexpr std::string_view replacement_utf8 { "\xEF\xBF\xBD" };
    constexpr std::string_view replacement_gb18030 { "\x84\x31\xA4\x37" };

    class Converter {
    public:
        Converter(char const* to, char const* from)
            : m_handle(iconv_open(to, from))
        {
        }
        ~Converter()
        {
            if (m_handle != reinterpret_cast<iconv_t>(-1))
                iconv_close(m_handle);
        }
        Converter(Converter const&) = delete;
        Converter& operator=(Converter const&) = delete;

        // Converts the whole input; a unit that the source code does not
        // allow becomes `replacement` and the conversion goes on behind it.
        std::string convert(std::string_view input, std::string_view replacement)
        {
            bool plain = true;
            for (char c : input)
                plain = plain && static_cast<unsigned char>(c) < 0x80;
            if (plain)
                return std::string(input); // ASCII is the same in all three codes
            std::string output;
            if (m_handle == reinterpret_cast<iconv_t>(-1))
                return output;
            iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
            char* in = const_cast<char*>(input.data());
            size_t in_left = input.size();
            char buffer[1024];
            while (in_left > 0) {
                char* out = buffer;
                size_t out_left = sizeof buffer;
                size_t result = iconv(m_handle, &in, &in_left, &out, &out_left);
                output.append(buffer, static_cast<size_t>(out - buffer));
                if (result != static_cast<size_t>(-1))
                    continue;
                if (errno == E2BIG)
                    continue;
                // EILSEQ (a bad unit) or EINVAL (a sequence cut off at the
                // end): one byte goes, its stand-in comes.
                output.append(replacement);
                ++in;
                --in_left;
                iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
            }
            return output;
        }

    private:
        iconv_t m_handle;
    };

}

std::string utf8_from_gbk(std::string_view gbk)
{
    // One converter per direction, opened once: the program has one thread,
    // and thread_local keeps a test runner with threads correct as well.
    thread_local Converter converter("UTF-8", "GB18030");
    return converter.convert(gbk, replacement_utf8);
}

bool encoding_covers_all_unicode()
{
    return true;
}

Text gbk_from_utf8(std::string_view utf8)
{
    thread_local Converter converter("GB18030", "UTF-8");
    return converter.convert(utf8, replacement_gb18030);
}

}
