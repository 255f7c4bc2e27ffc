// ADVAPI32's security, token and service functions, looked up once at run time: Windows 95's
// ADVAPI32 exports its registry functions, and a program that imports anything else from it
// may not load there at all. A function the system lacks fails as its call would, with
// ERROR_CALL_NOT_IMPLEMENTED, so every caller handles it as the refusal it already expects.
#pragma once
#include <windows.h>

#include "cleaner/RuntimeLink.h"
#include "framework/KernelHandles.h"

#define SW_ADVAPI32(name) LookUpAdvapi32<decltype(&::name)>(#name)

struct Advapi32Functions {
    // tokens and privileges
    decltype(&::OpenProcessToken) openProcessToken = SW_ADVAPI32(OpenProcessToken);
    decltype(&::GetTokenInformation) getTokenInformation = SW_ADVAPI32(GetTokenInformation);
    decltype(&::LookupPrivilegeValueA) lookupPrivilegeValueA = SW_ADVAPI32(LookupPrivilegeValueA);
    decltype(&::AdjustTokenPrivileges) adjustTokenPrivileges = SW_ADVAPI32(AdjustTokenPrivileges);
    // security identifiers
    decltype(&::AllocateAndInitializeSid) allocateAndInitializeSid = SW_ADVAPI32(AllocateAndInitializeSid);
    decltype(&::EqualSid) equalSid = SW_ADVAPI32(EqualSid);
    decltype(&::FreeSid) freeSid = SW_ADVAPI32(FreeSid);
    // the service control manager
    decltype(&::OpenSCManagerA) openSCManagerA = SW_ADVAPI32(OpenSCManagerA);
    decltype(&::OpenServiceA) openServiceA = SW_ADVAPI32(OpenServiceA);
    decltype(&::ControlService) controlService = SW_ADVAPI32(ControlService);
    decltype(&::QueryServiceStatus) queryServiceStatus = SW_ADVAPI32(QueryServiceStatus);
    decltype(&::QueryServiceConfigA) queryServiceConfigA = SW_ADVAPI32(QueryServiceConfigA);
    decltype(&::CloseServiceHandle) closeServiceHandle = SW_ADVAPI32(CloseServiceHandle);
};

#undef SW_ADVAPI32

// Looked up at the first use; the program's one thread shares the answers.
inline const Advapi32Functions& Advapi32() {
    static const Advapi32Functions functions;
    return functions;
}

// OpenSCManagerA, OpenServiceA.
struct ServiceHandleTraits {
    static SC_HANDLE Invalid() { return NULL; }
    static void Close(SC_HANDLE h) { Advapi32().closeServiceHandle(h); }
};
typedef COwnedHandle<SC_HANDLE, ServiceHandleTraits> CServiceHandle;
