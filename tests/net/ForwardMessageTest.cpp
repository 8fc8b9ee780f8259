#include "net/ForwardMessage.h"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string Text(std::span<const uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string Header(std::string_view ip, std::string_view word, std::string_view count)
{
    std::string header = "WARDEXFORWARD V0001 Recorder-IP: ";
    header += ip;
    header.resize(48, ' ');
    header += " TYPE: ";
    header += word;
    header += "DATABYTES: ";
    header += count;
    header += " DATA: ";
    return header;
}

ForwardType ParseText(ForwardMessage& message, const std::string& text)
{
    return message.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

} // namespace

TEST(ForwardMessage, EncodedShloIsExactlyTheEightyEightByteHeader)
{
    ForwardMessage message;
    ASSERT_TRUE(message.MakeShlo("0.0.0.0"));
    std::string expected = "WARDEXFORWARD V0001 Recorder-IP: 0.0.0.0        "
                           " TYPE: SHLO DATABYTES: 0000000000 DATA: ";
    EXPECT_EQ(expected.size(), 88u);
    EXPECT_EQ(Text(message.Encode()), expected);
}

TEST(ForwardMessage, DataCarriesThePayloadAndTheOriginAddress)
{
    std::vector<uint8_t> payload = {0xff, 0x00, 0x10, 0x20};
    ForwardMessage message;
    ASSERT_TRUE(message.MakeData(payload.data(), 4, "192.168.100.200"));
    std::vector<uint8_t> wire(message.Encode().begin(), message.Encode().end());
    ASSERT_EQ(wire.size(), 92u);
    EXPECT_EQ(Text(std::span(wire).first(88)), Header("192.168.100.200", "DATA ", "0000000004"));

    ForwardMessage parsed;
    EXPECT_EQ(parsed.Parse(wire.data(), wire.size()), ForwardType::Data);
    EXPECT_EQ(parsed.OriginIp(), "192.168.100.200");
    EXPECT_EQ(parsed.PayloadCount(), 4);
    EXPECT_EQ(std::vector<uint8_t>(parsed.Payload().begin(), parsed.Payload().end()), payload);
    EXPECT_EQ(parsed.Length(), 92u);
}

TEST(ForwardMessage, EveryReplyTypeRoundTrips)
{
    ForwardMessage message;
    ForwardMessage parsed;
    message.MakeAckn("0.0.0.0");
    std::span<const uint8_t> wire = message.Encode();
    EXPECT_EQ(parsed.Parse(wire.data(), wire.size()), ForwardType::Ackn);
    EXPECT_TRUE(parsed.IsAckn());
    message.MakeRhlo("0.0.0.0");
    wire = message.Encode();
    EXPECT_EQ(parsed.Parse(wire.data(), wire.size()), ForwardType::Rhlo);
    EXPECT_TRUE(parsed.IsRhlo());
    EXPECT_EQ(parsed.OriginIp(), "0.0.0.0");
}

TEST(ForwardMessage, AnIpLongerThanTheFieldIsCut)
{
    ForwardMessage message;
    message.MakeShlo("1234567890123456789");
    std::span<const uint8_t> wire = message.Encode();
    ASSERT_EQ(wire.size(), 88u);
    EXPECT_EQ(Text(wire.subspan(33, 16)), "123456789012345 ");
}

TEST(ForwardMessage, AVersionAboveOneCannotBeMadeAndOtherVersionsDoNotEncode)
{
    ForwardMessage message;
    EXPECT_FALSE(message.MakeShlo("0.0.0.0", 2));
    EXPECT_TRUE(message.Encode().empty());
    EXPECT_TRUE(message.MakeShlo("0.0.0.0", 0));
    EXPECT_TRUE(message.Encode().empty());
    EXPECT_EQ(ForwardMessage::HeaderSize(1), 88);
    EXPECT_EQ(ForwardMessage::HeaderSize(2), -1);
}

TEST(ForwardMessage, DataWithCountZeroIsInvalid)
{
    ForwardMessage message;
    EXPECT_EQ(ParseText(message, Header("1.2.3.4", "DATA ", "0000000000")), ForwardType::Invalid);
    EXPECT_TRUE(message.IsInvalid());
}

TEST(ForwardMessage, AcknWithCountFiveIsInvalid)
{
    ForwardMessage message;
    EXPECT_EQ(ParseText(message, Header("0.0.0.0", "ACKN ", "0000000005") + "12345"),
              ForwardType::Invalid);
}

TEST(ForwardMessage, AnIpFieldPaddedWithBlanksGivesTheDottedAddressAlone)
{
    ForwardMessage message;
    EXPECT_EQ(ParseText(message, Header("10.0.0.7", "SHLO ", "0000000000")), ForwardType::Shlo);
    EXPECT_EQ(message.OriginIp(), "10.0.0.7");
}

TEST(ForwardMessage, ParseKeepsItsOwnCopyAndItsLength)
{
    std::string text = Header("0.0.0.0", "RHLO ", "0000000000") + "trailing";
    ForwardMessage message;
    EXPECT_EQ(ParseText(message, text), ForwardType::Rhlo);
    text.assign(text.size(), 'x');
    EXPECT_EQ(message.Length(), 96u);
    EXPECT_EQ(Text(message.Bytes()).substr(0, 14), "WARDEXFORWARD ");
}

TEST(ForwardMessage, BrokenHeadersAreInvalid)
{
    std::string good = Header("1.2.3.4", "DATA ", "0000000001") + "x";
    ForwardMessage message;
    ASSERT_EQ(ParseText(message, good), ForwardType::Data);

    auto broken = [&](size_t at, std::string_view with) {
        std::string text = good;
        text.replace(at, with.size(), with);
        return ParseText(message, text);
    };
    EXPECT_EQ(broken(0, "X"), ForwardType::Invalid);            // magic
    EXPECT_EQ(broken(15, "0002"), ForwardType::Invalid);        // version
    EXPECT_EQ(broken(15, "x"), ForwardType::Invalid);           // version not a number
    EXPECT_EQ(broken(20, "Recorder-Ip"), ForwardType::Invalid); // label
    EXPECT_EQ(broken(49, "Type"), ForwardType::Invalid);
    EXPECT_EQ(broken(55, "DATX"), ForwardType::Invalid); // unknown word
    EXPECT_EQ(broken(60, "DATABYTES;"), ForwardType::Invalid);
    EXPECT_EQ(broken(71, "-000000001"), ForwardType::Invalid); // negative count
    EXPECT_EQ(broken(71, "abcdefghij"), ForwardType::Invalid); // not a number
    EXPECT_EQ(broken(71, "9999999999"), ForwardType::Invalid); // beyond 32 bits
    EXPECT_EQ(broken(71, "0000000002"), ForwardType::Invalid); // count past the end
    EXPECT_EQ(broken(82, "DATA;"), ForwardType::Invalid);
    EXPECT_EQ(ParseText(message, good.substr(0, 87)), ForwardType::Invalid);
    EXPECT_EQ(message.Parse(nullptr, 0), ForwardType::Invalid);
}

TEST(ForwardMessage, PeekHeaderReadsVersionAndCountOfAnIncompleteMessage)
{
    std::string text = Header("1.2.3.4", "DATA ", "0000000500");
    int version = 0;
    int count = 0;
    auto bytes = reinterpret_cast<const uint8_t*>(text.data());
    EXPECT_FALSE(ForwardMessage::PeekHeader(bytes, 87, version, count));
    ASSERT_TRUE(ForwardMessage::PeekHeader(bytes, 88, version, count));
    EXPECT_EQ(version, 1);
    EXPECT_EQ(count, 500);

    text.replace(71, 10, "-000000005");
    ASSERT_TRUE(ForwardMessage::PeekHeader(bytes, 88, version, count));
    EXPECT_EQ(count, -1);
    text.replace(71, 10, "garbage!!!");
    ASSERT_TRUE(ForwardMessage::PeekHeader(bytes, 88, version, count));
    EXPECT_EQ(count, -1);
    text.replace(20, 1, "r");
    EXPECT_FALSE(ForwardMessage::PeekHeader(bytes, 88, version, count));
}
