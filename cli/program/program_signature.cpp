#include "cli/program/program_signature.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "cli/console/json_text.h"
#include "cli/console/text.h"

namespace {

// A DLL of the system folder, loaded for the scope of one question and let go after it.
class SystemLibrary {
public:
    // Only from the system folder (on Windows 7 this needs its update KB2533623, without which
    // the DLL is not loaded and the answer is "cannot tell").
    explicit SystemLibrary(const wchar_t* name) : m_module(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
    ~SystemLibrary()
    {
        if (m_module)
            (void)::FreeLibrary(m_module);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    bool Loaded() const { return m_module != nullptr; }

    // The function of that name as the type F, or null.
    template <typename F>
    F Function(const char* name) const
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)));
    }

private:
    HMODULE m_module;
};

// The signing certificate's name, as the file's Properties show it, from the state WinVerifyTrust
// kept; empty when the signature holds none that can be read.
std::wstring SignerName(HANDLE state, const SystemLibrary& wintrust)
{
    const auto providerData = wintrust.Function<decltype(&WTHelperProvDataFromStateData)>("WTHelperProvDataFromStateData");
    const auto signerFromChain =
        wintrust.Function<decltype(&WTHelperGetProvSignerFromChain)>("WTHelperGetProvSignerFromChain");
    if (!state || !providerData || !signerFromChain)
        return {};
    CRYPT_PROVIDER_DATA* data = providerData(state);
    CRYPT_PROVIDER_SGNR* signer = data ? signerFromChain(data, 0, FALSE, 0) : nullptr;
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain || !signer->pasCertChain[0].pCert)
        return {};
    const SystemLibrary crypt32(L"crypt32.dll");
    const auto nameOf = crypt32.Function<decltype(&CertGetNameStringW)>("CertGetNameStringW");
    if (!nameOf)
        return {};
    PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    const DWORD size = nameOf(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring name(size, L'\0');
    const DWORD written = nameOf(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, &name[0], size);
    name.resize(written > 1 ? written - 1 : 0);
    return name;
}

std::wstring Hex(DWORD value)
{
    return ResultCode(static_cast<HRESULT>(value));
}

}  // namespace

SignatureCheck CheckFileSignature(const std::wstring& path)
{
    SignatureCheck check;
    const SystemLibrary wintrust(L"wintrust.dll");
    if (!wintrust.Loaded()) {
        check.whyNotAsked = L"wintrust.dll cannot be loaded";
        return check;
    }
    const auto verify = wintrust.Function<decltype(&WinVerifyTrust)>("WinVerifyTrust");
    if (!verify) {
        check.whyNotAsked = L"wintrust.dll has no WinVerifyTrust";
        return check;
    }

    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // INVALID_HANDLE_VALUE: no window of ours, and none may be shown.
    check.result = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    check.lastError = ::GetLastError();
    check.asked = true;
    check.signer = SignerName(data.hWVTStateData, wintrust);

    // The state kept for the signer's name is let go; what closing answers tells nothing more.
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    const LONG closed = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    (void)closed;
    return check;
}

SignatureCheck CheckProgramSignature()
{
    // The longest path Windows has, so that one call reads it whole.
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
    if (path.empty() || path.size() == 32768) {
        SignatureCheck check;
        check.whyNotAsked = L"the program's own path cannot be read";
        return check;
    }
    return CheckFileSignature(path);
}

ProgramSignature JudgeSignature(const SignatureCheck& check)
{
    // What each answer that is not "valid" means, in winerror.h's codes.
    static const struct {
        DWORD result;
        SignatureVerdict verdict;
        const char* reason;  // ASCII
    } kAnswers[] = {
        {static_cast<DWORD>(TRUST_E_BAD_DIGEST), SignatureVerdict::Invalid, "the file was changed after it was signed"},
        {static_cast<DWORD>(CERT_E_UNTRUSTEDROOT), SignatureVerdict::Invalid,
         "its certificate's authority is not trusted on this PC"},
        {static_cast<DWORD>(CERT_E_CHAINING), SignatureVerdict::Invalid,
         "its certificate's authority is not trusted on this PC"},
        {static_cast<DWORD>(CERT_E_REVOKED), SignatureVerdict::Invalid, "its certificate was revoked"},
        {static_cast<DWORD>(CERT_E_EXPIRED), SignatureVerdict::Invalid,
         "its certificate expired and it has no time stamp"},
        {static_cast<DWORD>(TRUST_E_EXPLICIT_DISTRUST), SignatureVerdict::Invalid,
         "its certificate is marked as not trusted on this PC"},
        {static_cast<DWORD>(CERT_E_WRONG_USAGE), SignatureVerdict::Invalid,
         "its certificate is not one for signing programs"},
        {static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN), SignatureVerdict::Unknown,
         "this Windows cannot check a program's signature"},
        {static_cast<DWORD>(TRUST_E_ACTION_UNKNOWN), SignatureVerdict::Unknown,
         "this Windows cannot check a program's signature"},
        {static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN), SignatureVerdict::Unknown,
         "this Windows cannot check a program's signature"},
    };
    ProgramSignature signature;
    if (!check.asked) {
        signature.reason = check.whyNotAsked;
        return signature;
    }
    const DWORD result = static_cast<DWORD>(check.result);
    if (result == ERROR_SUCCESS) {
        signature.verdict = SignatureVerdict::Valid;
        signature.signer = check.signer;
        return signature;
    }
    signature.code = Hex(result);
    signature.verdict = SignatureVerdict::Invalid;
    signature.reason = L"Windows does not accept it";
    if (result == static_cast<DWORD>(TRUST_E_NOSIGNATURE)) {
        // As Windows' own example tells them apart: the last error says whether there is no
        // signature at all, or one that cannot be read.
        const DWORD error = check.lastError;
        if (error == ERROR_SUCCESS || error == static_cast<DWORD>(TRUST_E_NOSIGNATURE) ||
            error == static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN) ||
            error == static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN)) {
            signature.verdict = SignatureVerdict::None;
            signature.reason.clear();
        } else {
            signature.reason = Concat({"its signature cannot be read (error ", Hex(error), ")"});
        }
    }
    for (const auto& answer : kAnswers) {
        if (answer.result == result) {
            signature.verdict = answer.verdict;
            signature.reason = Ascii(answer.reason);
        }
    }
    return signature;
}

std::wstring SignatureLine(const ProgramSignature& signature)
{
    std::wstring line = L"Signature: ";
    switch (signature.verdict) {
    case SignatureVerdict::Valid:
        line += L"valid";
        if (!signature.signer.empty())
            line.append(L", signed by ").append(QuotedWhole(signature.signer));
        return line;
    case SignatureVerdict::None:
        return line.append(L"none (this copy is not signed)");
    case SignatureVerdict::Invalid:
        line += L"NOT VALID (";
        break;
    case SignatureVerdict::Unknown:
        line += L"cannot tell (";
        break;
    }
    line += signature.reason;
    if (!signature.code.empty())
        line.append(L", ").append(signature.code);
    line += L")";
    if (signature.verdict == SignatureVerdict::Invalid)
        line += L": do not trust this copy";
    return line;
}

void AddSignatureMembers(JsonObject& json, const ProgramSignature& signature)
{
    // In the order of SignatureVerdict.
    static const wchar_t* const kVerdicts[] = {L"valid", L"none", L"invalid", L"unknown"};
    json.Text("signature", kVerdicts[static_cast<int>(signature.verdict)])
        .Truth("signed", signature.verdict == SignatureVerdict::Valid)
        .TextOrNull("signer", signature.signer)
        .TextOrNull("reason", signature.reason)
        .TextOrNull("trustResult", signature.code);
}
