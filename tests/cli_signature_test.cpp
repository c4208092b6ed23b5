// What "tessmorctl version" says about the program's signature: Windows' answer (WinVerifyTrust's
// result, the last error and the signer's name) turned into the line and the JSON members, and the
// question itself asked of a real file.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "cli/console/json_text.h"
#include "cli/program/program_signature.h"
#include "json_reader.h"

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());  // the JSON is ASCII: every other character is escaped
}

JsonValue Members(const ProgramSignature& signature)
{
    JsonObject object;
    AddSignatureMembers(object, signature);
    JsonValue value;
    EXPECT_TRUE(JsonValue::Read(Narrow(object.Json()), value)) << Narrow(object.Json());
    return value;
}

SignatureCheck Answer(unsigned long result, unsigned long lastError = 0, const wchar_t* signer = L"")
{
    SignatureCheck check;
    check.asked = true;
    check.result = static_cast<LONG>(result);
    check.lastError = lastError;
    check.signer = signer;
    return check;
}

SignatureCheck NotAsked(const wchar_t* why)
{
    SignatureCheck check;
    check.whyNotAsked = why;
    return check;
}

TEST(CtlSignature, WindowsAnswerBecomesTheLineAndTheJson)
{
    // Result codes as Windows documents them (winerror.h): TRUST_E_NOSIGNATURE 0x800B0100,
    // TRUST_E_BAD_DIGEST 0x80096010, CERT_E_UNTRUSTEDROOT 0x800B0109, CERT_E_CHAINING
    // 0x800B010A, CERT_E_REVOKED 0x800B010C, CERT_E_EXPIRED 0x800B0101,
    // TRUST_E_EXPLICIT_DISTRUST 0x800B0111, CERT_E_WRONG_USAGE 0x800B0110,
    // TRUST_E_PROVIDER_UNKNOWN 0x800B0001, TRUST_E_SUBJECT_FORM_UNKNOWN 0x800B0003,
    // CRYPT_E_ASN1_BADTAG 0x8009310B.
    const struct {
        SignatureCheck check;
        std::wstring line;
        const char* verdict;
        const char* signer;  // null: JSON null
        const char* result;
    } cases[] = {
        {Answer(0, 0, L"Tessmor Release"), L"Signature: valid, signed by \"Tessmor Release\"", "valid",
         "Tessmor Release", nullptr},
        {Answer(0), L"Signature: valid", "valid", nullptr, nullptr},
        {Answer(0x800B0100, 0x800B0100), L"Signature: none (this copy is not signed)", "none", nullptr, "0x800B0100"},
        {Answer(0x800B0100, 0x800B0003), L"Signature: none (this copy is not signed)", "none", nullptr, "0x800B0100"},
        {Answer(0x800B0100, 0), L"Signature: none (this copy is not signed)", "none", nullptr, "0x800B0100"},
        {Answer(0x800B0100, 0x8009310B),
         L"Signature: NOT VALID (its signature cannot be read (error 0x8009310B), 0x800B0100): do not trust this copy",
         "invalid", nullptr, "0x800B0100"},
        // A name read from a signature that does not hold is not told.
        {Answer(0x80096010, 0, L"Tessmor Release"),
         L"Signature: NOT VALID (the file was changed after it was signed, 0x80096010): do not trust this copy",
         "invalid", nullptr, "0x80096010"},
        {Answer(0x800B0109, 0, L"Someone"),
         L"Signature: NOT VALID (its certificate's authority is not trusted on this PC, 0x800B0109): do not trust "
         L"this copy",
         "invalid", nullptr, "0x800B0109"},
        {Answer(0x800B010A),
         L"Signature: NOT VALID (its certificate's authority is not trusted on this PC, 0x800B010A): do not trust "
         L"this copy",
         "invalid", nullptr, "0x800B010A"},
        {Answer(0x800B010C), L"Signature: NOT VALID (its certificate was revoked, 0x800B010C): do not trust this copy",
         "invalid", nullptr, "0x800B010C"},
        {Answer(0x800B0101),
         L"Signature: NOT VALID (its certificate expired and it has no time stamp, 0x800B0101): do not trust this "
         L"copy",
         "invalid", nullptr, "0x800B0101"},
        {Answer(0x800B0111),
         L"Signature: NOT VALID (its certificate is marked as not trusted on this PC, 0x800B0111): do not trust "
         L"this copy",
         "invalid", nullptr, "0x800B0111"},
        {Answer(0x800B0110),
         L"Signature: NOT VALID (its certificate is not one for signing programs, 0x800B0110): do not trust this copy",
         "invalid", nullptr, "0x800B0110"},
        {Answer(0x80004005), L"Signature: NOT VALID (Windows does not accept it, 0x80004005): do not trust this copy",
         "invalid", nullptr, "0x80004005"},
        {Answer(0x800B0001), L"Signature: cannot tell (this Windows cannot check a program's signature, 0x800B0001)",
         "unknown", nullptr, "0x800B0001"},
        {Answer(0x800B0003), L"Signature: cannot tell (this Windows cannot check a program's signature, 0x800B0003)",
         "unknown", nullptr, "0x800B0003"},
        {NotAsked(L"wintrust.dll cannot be loaded"), L"Signature: cannot tell (wintrust.dll cannot be loaded)", "unknown",
         nullptr, nullptr},
        {NotAsked(L"wintrust.dll has no WinVerifyTrust"), L"Signature: cannot tell (wintrust.dll has no WinVerifyTrust)",
         "unknown", nullptr, nullptr},
        // A certificate's name is anyone's choice: it cannot start a line of its own in a log.
        {Answer(0, 0, L"Evil\r\n2026-03-09 exit 0\x7F"), L"Signature: valid, signed by \"Evil??2026-03-09 exit 0?\"",
         "valid", "Evil\r\n2026-03-09 exit 0\x7F", nullptr},
    };
    for (const auto& row : cases) {
        const ProgramSignature signature = JudgeSignature(row.check);
        EXPECT_EQ(SignatureLine(signature), row.line);
        const JsonValue json = Members(signature);
        const std::string verdict = row.verdict;
        EXPECT_EQ(json["signature"].text, verdict) << Narrow(row.line);
        EXPECT_EQ(json["signed"].kind, JsonValue::Kind::Truth);
        EXPECT_EQ(json["signed"].truth, verdict == "valid") << Narrow(row.line);
        if (row.signer) {
            EXPECT_EQ(json["signer"].text, row.signer) << Narrow(row.line);
        } else {
            EXPECT_EQ(json["signer"].kind, JsonValue::Kind::Null) << Narrow(row.line);
        }
        // A reason for every verdict but a valid one.
        EXPECT_EQ(json["reason"].kind, verdict == "valid" || verdict == "none" ? JsonValue::Kind::Null
                                                                                : JsonValue::Kind::Text)
            << Narrow(row.line);
        if (row.result) {
            EXPECT_EQ(json["trustResult"].text, row.result) << Narrow(row.line);
        } else {
            EXPECT_EQ(json["trustResult"].kind, JsonValue::Kind::Null) << Narrow(row.line);
        }
    }
}

TEST(CtlSignature, WindowsIsAskedAboutTheFileItself)
{
    // This test program is not signed: Windows is asked, and says so.
    const SignatureCheck own = CheckProgramSignature();
    ASSERT_TRUE(own.asked) << Narrow(own.whyNotAsked);
    EXPECT_EQ(static_cast<unsigned long>(own.result), 0x800B0100ul);
    EXPECT_EQ(JudgeSignature(own).verdict, SignatureVerdict::None);
    EXPECT_TRUE(own.signer.empty());
}

}  // namespace
