#include "net/signature_document.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSha(64, 'a'), kKey = "0123456789abcdef", kSig(128, '5');
std::string Document(const std::string& size = "42", const std::string& end = "\n") {
  return "ZAV2021 signature 1" + end + "file qel_2.0.1.7.7z" + end + "size " + size + end +
         "sha256 " + kSha + end + "key " + kKey + end + "signature " + kSig + end;
}

TEST(SignatureDocument, ReadsItsFieldsAndRebuildsTheSignedStatement) {
  for (const char* end : {"\n", "\r\n"}) {  // a copy through a Windows tool keeps CRLF
    SignatureDocument document;
    ASSERT_TRUE(ParseSignatureDocument(Document("42", end), document));
    EXPECT_EQ("qel_2.0.1.7.7z", document.file);
    EXPECT_EQ(42u, document.size);
    EXPECT_EQ(0xaa, document.sha256[31]);
    EXPECT_EQ(0xef, document.key_id[7]);
    EXPECT_EQ(0x55, document.signature[63]);
    EXPECT_EQ("ZAV2021 signature 1\nfile qel_2.0.1.7.7z\nsize 42\nsha256 " + kSha + "\nkey " +
                  kKey + "\n",
              SignedStatement(document));
  }
}

TEST(SignatureDocument, AnythingElseIsMalformed) {
  std::string upper = Document(), extra = Document() + "note x\n", other = Document();
  upper.replace(upper.find("aaaa"), 1, "A");
  other.replace(0, 19, "ZAV2021 signature 2");
  const std::string cases[] = {"",
                               "ZAV2021 signature 1\n",
                               Document().substr(0, 200),
                               Document("-1"),
                               Document("1234567890123456"),
                               Document("4 2"),
                               upper,
                               extra,
                               other,
                               Document() + std::string(2000, 'x'),
                               "ZAV2021 signature 1\nfile a/b\nsize 1\nsha256 " + kSha + "\nkey " +
                                   kKey + "\nsignature " + kSig + "\n"};
  for (const std::string& text : cases) {
    SignatureDocument document;
    EXPECT_FALSE(ParseSignatureDocument(text, document)) << text;
  }
}

TEST(SignatureDocument, NameOfADownload) {
  EXPECT_EQ("qel_test.xml", SignedFileName("http://host/update/qel_test.xml"));
  EXPECT_EQ("a.7z", SignedFileName("http://host/x/a.7z?v=2"));
  EXPECT_EQ("", SignedFileName("http://host/"));
}

}  // namespace
