#pragma once
// Whether the running program carries an Authenticode signature that Windows accepts, and whose,
// for "tessmorctl version". Windows is asked with WinVerifyTrust; wintrust.dll and crypt32.dll
// are not among Windows' known DLLs, so they are loaded from the system folder at the moment of
// asking, never imported.
#include <windows.h>

#include <string>

class JsonObject;

// What asking Windows gave.
struct SignatureCheck {
    // False when Windows could not be asked at all (a DLL or function missing, the program's
    // path unreadable); whyNotAsked then says what was missing.
    bool asked = false;
    std::wstring whyNotAsked;
    LONG result = 0;       // WinVerifyTrust's result
    DWORD lastError = 0;   // the thread's last error right after it
    std::wstring signer;   // the signing certificate's name, where one could be read
};

// JSON names them "valid", "none", "invalid" and "unknown", in this order.
enum class SignatureVerdict { Valid, None, Invalid, Unknown };

struct ProgramSignature {
    SignatureVerdict verdict = SignatureVerdict::Unknown;
    std::wstring signer;  // only for a valid signature: a name is worth telling only when it holds
    std::wstring reason;  // why it is not valid, or why it cannot be told
    std::wstring code;    // WinVerifyTrust's result as 0x800B0100, empty when it was not asked
};

// Asks Windows about a file's signature: the whole signature chain with the SHA-256 Authenticode
// policy (WINTRUST_ACTION_GENERIC_VERIFY_V2), no window, and no revocation check: `version` must
// answer at once on a PC without a network, where a revocation check waits on the network and
// then fails. Windows' own checks (the file's Properties, certutil -verify) check revocation.
SignatureCheck CheckFileSignature(const std::wstring& path);
// The same for the running program's own file.
SignatureCheck CheckProgramSignature();

// What Windows' answer means for the user.
ProgramSignature JudgeSignature(const SignatureCheck& check);

// "Signature: valid, signed by "NAME"", "Signature: none (this copy is not signed)", ...
std::wstring SignatureLine(const ProgramSignature& signature);
// "signature": "valid" | "none" | "invalid" | "unknown", "signed": whether it is valid, "signer":
// the name or null, "reason": why not valid or null, "trustResult": "0x..." or null.
void AddSignatureMembers(JsonObject& json, const ProgramSignature& signature);
