#include "document/Registers.h"

#include "document/Framing.h"

namespace halyard {

namespace {

// One leading blank off, then 18 or more characters cut to 17.
std::string_view TrimRegisterText(std::string_view line)
{
    if (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    if (line.size() > REGISTER_REPLY_LENGTH)
        line = line.substr(0, REGISTER_REPLY_LENGTH);
    return line;
}

}  // namespace

bool ConvertBinaryStringtoData(const std::string& szData, uint16_t* punValue)
{
    uint16_t unValue = 0;
    const bool bOk = szData.size() == REGISTER_REPLY_LENGTH;
    if (bOk) {
        unsigned nMask = 0x8000;
        for (char c : szData) {
            if (c == ',')
                continue;
            if (c == '1')
                unValue = static_cast<uint16_t>(unValue | nMask);
            nMask >>= 1;
        }
    }
    if (punValue != nullptr)
        *punValue = unValue;
    return bOk;
}

std::string BinaryCommandForm(uint16_t unValue)
{
    std::string strText;
    strText.reserve(16);
    for (unsigned nMask = 0x8000; nMask != 0; nMask >>= 1)
        strText += (unValue & nMask) ? '1' : '0';
    return strText;
}

void ConvertDatatoBinaryString(std::string& szData, uint16_t unValue)
{
    szData = BinaryCommandForm(unValue);
}

std::string BinaryDisplayForm(uint16_t unValue)
{
    std::string strText = BinaryCommandForm(unValue);
    strText.insert(8, 1, ',');
    return strText;
}

std::optional<std::string> RegisterReplyText(std::string_view line)
{
    if (line.size() > REGISTER_REPLY_MAX)
        return std::nullopt;
    line = TrimRegisterText(line);
    if (line.size() != REGISTER_REPLY_LENGTH)
        return std::nullopt;
    return std::string(line);
}

OpStateReply RecogniseOpStateReply(std::string_view line)
{
    OpStateReply reply;
    if (line.size() > REGISTER_REPLY_MAX)
        return reply;
    line = TrimRegisterText(line);
    if (line.size() == REGISTER_REPLY_LENGTH) {
        reply.bRecognised = true;
        reply.bBinary = true;
        reply.strText = line;
        reply.bValue = true;
        for (size_t n = 0; n < line.size(); ++n)
            reply.bValue = reply.bValue && (n == 8 ? line[n] == ',' : (line[n] == '0' || line[n] == '1'));
        return reply;
    }
    // The five-digit decimal form, possibly with a second leading blank.
    if (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    if (line.size() > OPSTATE_DECIMAL_LENGTH)
        line = line.substr(0, OPSTATE_DECIMAL_LENGTH);
    if (line.size() == OPSTATE_DECIMAL_LENGTH) {
        reply.bRecognised = true;
        reply.strText = line;
        // Five digits reach 99999; the word holds 16 bits.
        reply.bValue = line.find_first_not_of("0123456789") == std::string_view::npos &&
                       LeadingDecimal(line) <= 0xFFFF;
    }
    return reply;
}

}  // namespace halyard
