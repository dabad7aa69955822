#include "library/internet/core/message_file.h"

#include <gtest/gtest.h>

namespace korvel::internet {
namespace {

TEST(MessageFile, FullHeaderInItsOrder) {
    MessageFields f{"moi@ici.fr", "toi@la.fr", "cc@la.fr", "bcc@la.fr", "Objet", 3, "Ligne 1\r\nLigne 2"};
    EXPECT_EQ(composeMessageFile(f),
              "From: <moi@ici.fr>\r\n"
              "To: \"toi@la.fr\"\r\n"
              "CC: \"cc@la.fr\"\r\n"
              "BCC: \"bcc@la.fr\"\r\n"
              "Subject: Objet\r\n"
              "X-Priority: 3 \r\n"
              "X-Unsent: 1\r\n"
              "\r\n"
              "Ligne 1\r\nLigne 2\r\n");
}

TEST(MessageFile, EmptyCopiesLeaveNoLineAndNegativePriorityTakesTheSignPosition) {
    MessageFields f{"a", "b", "", "", "", -2, ""};
    EXPECT_EQ(composeMessageFile(f), "From: <a>\r\nTo: \"b\"\r\nSubject: \r\nX-Priority:-2 \r\nX-Unsent: 1\r\n\r\n\r\n");
}

TEST(MessageFile, NoRecipientGivesTheFromLineAlone) {
    MessageFields f{"a@b", "", "cc", "bcc", "s", 1, "body"};
    EXPECT_EQ(composeMessageFile(f), "From: <a@b>\r\n");
}

TEST(MessageFile, LineBreaksInHeaderValuesAddNoHeaderLine) {
    MessageFields f{"a\r\nBcc: x@y", "b@c\nBcc: spy@evil", "c\r\r\n\nd", "", "Hi\r\nX-Priority: 1", 3, "Body\r\nBcc: stays"};
    std::string file = composeMessageFile(f);
    EXPECT_EQ(file,
              "From: <a Bcc: x@y>\r\n"
              "To: \"b@c Bcc: spy@evil\"\r\n"
              "CC: \"c d\"\r\n"
              "Subject: Hi X-Priority: 1\r\n"
              "X-Priority: 3 \r\n"
              "X-Unsent: 1\r\n"
              "\r\n"
              "Body\r\nBcc: stays\r\n");
    // Every header line is one of the fixed names: the body alone may hold anything.
    std::string header = file.substr(0, file.find("\r\n\r\n"));
    EXPECT_EQ(header.find("\rB"), std::string::npos);
    EXPECT_EQ(header.find("\nB"), std::string::npos);
}

}  // namespace
}  // namespace korvel::internet
