// What makes an alarm mail readable in every mail program: a subject that is
// not plain ASCII goes as RFC 2047 encoded words, such a body as
// quoted-printable, and every mail carries Date and Message-ID.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// The text itself when it is printable ASCII, else "=?UTF-8?B?...?=" words of
// at most 75 characters, cut between characters and folded with CR LF and a
// blank.
std::string EncodeHeaderText(std::string_view text);

// True when the body can go as it is: only ASCII, no NUL, no line over 998
// bytes.
bool IsSevenBitBody(std::string_view body);

// Quoted-printable (RFC 2045): every line end becomes CR LF, lines are kept
// to 76 characters with soft breaks, blanks before a line end are encoded.
std::string QuotedPrintable(std::string_view body);

// The Date header's value for a time, in local time with its offset:
// "Tue, 04 Mar 2025 13:05:00 +0100".
std::string MailDate(std::time_t seconds);

// "<time.process.count@domain>", the domain taken from the sender's address
// where it is a plain host name.
std::string NewMessageId(std::string_view from, int64_t nowMs);
