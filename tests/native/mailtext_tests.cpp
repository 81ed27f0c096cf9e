// The recipient text of the e-mail page and the attachment's file name.
#include "portable/MailText.h"

#include <gtest/gtest.h>

namespace {

using portable::AttachmentPath;
using portable::FormatRecipient;
using portable::StripSmtpPrefix;

TEST(MailText, OnlyTheUpperCaseSmtpPrefixIsStripped)
{
    EXPECT_EQ(FormatRecipient("Jane Roe", "SMTP:jane@example.org"), "Jane Roe <jane@example.org>");
    EXPECT_EQ(FormatRecipient("Jane Roe", "smtp:jane@example.org"), "Jane Roe <smtp:jane@example.org>");
    EXPECT_EQ(FormatRecipient("Jane Roe", "SMTP:"), "Jane Roe <>");
    EXPECT_EQ(FormatRecipient("Jane Roe", "jane@example.org"), "Jane Roe <jane@example.org>");
    EXPECT_EQ(FormatRecipient("", ""), " <>");
    // Shorter than the prefix, or the prefix further on: unchanged.
    EXPECT_EQ(StripSmtpPrefix("SMTP"), "SMTP");
    EXPECT_EQ(StripSmtpPrefix("X400:SMTP:a"), "X400:SMTP:a");
    EXPECT_EQ(StripSmtpPrefix("SMTP:SMTP:a"), "SMTP:a");
}

TEST(MailText, TheAttachmentTakesTheExtensionOfItsFileType)
{
    EXPECT_EQ(AttachmentPath("C:\\Temp\\xgr1.tmp", 0), "C:\\Temp\\xgr1.bmp");
    EXPECT_EQ(AttachmentPath("C:\\Temp\\xgr1.TMP", 1), "C:\\Temp\\xgr1.jpg");
    // Dots in folder names are no extension.
    EXPECT_EQ(AttachmentPath("C:\\my.temp\\xgr1", 1), "C:\\my.temp\\xgr1.jpg");
    EXPECT_EQ(AttachmentPath("C:\\Temp\\a.b.tmp", 0), "C:\\Temp\\a.b.bmp");
    // No extension table entry, no name: the caller must not send.
    EXPECT_EQ(AttachmentPath("C:\\Temp\\xgr1.tmp", -1), std::nullopt);
    EXPECT_EQ(AttachmentPath("C:\\Temp\\xgr1.tmp", 2), std::nullopt);
}

} // namespace
