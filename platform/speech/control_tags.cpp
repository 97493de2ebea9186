#include "platform/speech/control_tags.h"

#include <algorithm>
#include <charconv>

#include "platform/core/text.h"

namespace speech {
namespace {

constexpr long kLongestPauseMs = 60000;

void appendEscaped(std::string& out, char c) {
    switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
    }
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Builds the document; a stressed word is closed at the blank that ends it.
class SsmlWriter {
  public:
    SsmlWriter() { m_out = "<speak>"; }

    void text(char c) {
        if (isBlank(c)) {
            closeEmphasis();
        } else if (m_emphasisPending) {
            m_out += "<emphasis>";
            m_emphasisPending = false;
            m_inEmphasis = true;
        }
        appendEscaped(m_out, c);
    }
    void tag(std::string_view body) {
        const auto equals = body.find('=');
        const std::string name = core::toLowerAscii(body.substr(0, equals));
        if (name == "emp") {
            closeEmphasis();
            m_emphasisPending = true;
        } else if (name == "pau" && equals != std::string_view::npos) {
            pause(body.substr(equals + 1));
        }
    }
    std::string finish() {
        closeEmphasis();
        return m_out + "</speak>";
    }

  private:
    void pause(std::string_view value) {
        long ms = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), ms);
        if (error != std::errc() || end != value.data() + value.size() || ms < 0) {
            return;
        }
        closeEmphasis();
        m_out += "<break time=\"" + std::to_string(std::min(ms, kLongestPauseMs)) + "ms\"/>";
    }
    void closeEmphasis() {
        if (m_inEmphasis) {
            m_out += "</emphasis>";
            m_inEmphasis = false;
        }
    }

    std::string m_out;
    bool m_emphasisPending = false;
    bool m_inEmphasis = false;
};

}  // namespace

std::string toSsml(std::string_view text) {
    SsmlWriter writer;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\\') {
            writer.text(text[i++]);
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            writer.text('\\');
            i += 2;
            continue;
        }
        const auto close = text.find('\\', i + 1);
        if (close == std::string_view::npos) {
            ++i;  // a lone backslash
            continue;
        }
        writer.tag(text.substr(i + 1, close - i - 1));
        i = close + 1;
    }
    return writer.finish();
}

}  // namespace speech
