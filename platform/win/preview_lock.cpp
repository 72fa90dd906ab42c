#include "platform/win/preview_lock.h"

#include <utility>

// After the platform headers: see native.h.
#include "platform/win/native.h"
#include "platform/win/owned_handles.h"
#include "platform/win/system_function.h"
// After <windows.h>, which they build on.
#include <aclapi.h>
#include <sddl.h>

namespace platform::win32 {
namespace {

// Declared here rather than taken from the headers, which hide them from
// builds that target XP.
using CreateBoundaryDescriptorFn = HANDLE(WINAPI*)(const wchar_t*, ULONG);
using AddSidToBoundaryDescriptorFn = BOOL(WINAPI*)(HANDLE*, PSID);
using DeleteBoundaryDescriptorFn = VOID(WINAPI*)(HANDLE);
using CreatePrivateNamespaceFn = HANDLE(WINAPI*)(SECURITY_ATTRIBUTES*, void*, const wchar_t*);
using OpenPrivateNamespaceFn = HANDLE(WINAPI*)(void*, const wchar_t*);
using ClosePrivateNamespaceFn = BOOLEAN(WINAPI*)(HANDLE, ULONG);
constexpr ULONG kDestroyNamespace = 0x1;  // PRIVATE_NAMESPACE_FLAG_DESTROY

// The private-namespace calls, Vista and later's.
struct NamespaceCalls {
  CreateBoundaryDescriptorFn create_boundary =
      SystemFunction<CreateBoundaryDescriptorFn>("kernel32.dll", "CreateBoundaryDescriptorW");
  AddSidToBoundaryDescriptorFn add_sid =
      SystemFunction<AddSidToBoundaryDescriptorFn>("kernel32.dll", "AddSIDToBoundaryDescriptor");
  DeleteBoundaryDescriptorFn delete_boundary =
      SystemFunction<DeleteBoundaryDescriptorFn>("kernel32.dll", "DeleteBoundaryDescriptor");
  CreatePrivateNamespaceFn create =
      SystemFunction<CreatePrivateNamespaceFn>("kernel32.dll", "CreatePrivateNamespaceW");
  OpenPrivateNamespaceFn open =
      SystemFunction<OpenPrivateNamespaceFn>("kernel32.dll", "OpenPrivateNamespaceW");
  ClosePrivateNamespaceFn close =
      SystemFunction<ClosePrivateNamespaceFn>("kernel32.dll", "ClosePrivateNamespace");

  // Wine has some of them, as stubs that fail: the lock takes them all or
  // none.
  bool Complete() const {
    return create_boundary && add_sid && delete_boundary && create && open && close;
  }
};

const NamespaceCalls& Namespaces() {
  static const NamespaceCalls calls;
  return calls;
}

// Owned by Administrators, open to them and to SYSTEM only.
OwnedLocal AdministratorsOnly() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ::ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)",
                                                         SDDL_REVISION_1, &descriptor, nullptr);
  return OwnedLocal(descriptor);
}

bool OwnedByAdministratorsOrSystem(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const OwnedLocal freed(descriptor);
  return owner != nullptr && (::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                              ::IsWellKnownSid(owner, WinLocalSystemSid));
}

}  // namespace

PreviewLock::PreviewLock(std::wstring name) : name_(std::move(name)) {}

PreviewLock::~PreviewLock() {
  Unlock();
  if (boundary_ != nullptr) Namespaces().delete_boundary(boundary_);
  if (mutex_ != nullptr) ::CloseHandle(mutex_);
}

PreviewLockAttempt PreviewLock::TryLock() {
  // No silent way round: a lock that can't be made refuses the preview.
  return Namespaces().Complete() ? TryLockNamespace() : TryLockMutex();
}

void PreviewLock::Unlock() {
  if (namespace_ != nullptr) Namespaces().close(namespace_, kDestroyNamespace);
  namespace_ = nullptr;
  if (holds_mutex_) ::ReleaseMutex(mutex_);
  holds_mutex_ = false;
}

PreviewLockAttempt PreviewLock::TryLockNamespace() {
  if (namespace_ != nullptr) return PreviewLockAttempt::kHeld;
  const NamespaceCalls& calls = Namespaces();
  if (boundary_ == nullptr) {
    HANDLE boundary = calls.create_boundary(name_.c_str(), 0);
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (boundary == nullptr) return PreviewLockAttempt::kRefused;
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
        !calls.add_sid(&boundary, administrators)) {
      calls.delete_boundary(boundary);
      return PreviewLockAttempt::kRefused;
    }
    boundary_ = boundary;
  }
  const OwnedLocal descriptor = AdministratorsOnly();
  if (!descriptor) return PreviewLockAttempt::kRefused;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  ::SetLastError(ERROR_SUCCESS);
  HANDLE made = calls.create(&attributes, boundary_, name_.c_str());
  // Only a namespace this call made is the lock; one that exists, whether
  // refused or handed out, is another process's.
  if (made != nullptr && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    namespace_ = made;
    return PreviewLockAttempt::kHeld;
  }
  if (made != nullptr) {
    calls.close(made, 0);
    return PreviewLockAttempt::kRefused;
  }
  // Not made: it exists, or this user is outside the boundary. Opening it
  // tells whether anyone holds it; only a plain "not there" means nobody.
  HANDLE opened = calls.open(boundary_, name_.c_str());
  if (opened != nullptr) {
    calls.close(opened, 0);
    return PreviewLockAttempt::kRefused;
  }
  const DWORD why = ::GetLastError();
  return why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND || why == ERROR_NOT_FOUND
             ? PreviewLockAttempt::kFreeButNotOurs
             : PreviewLockAttempt::kRefused;
}

PreviewLockAttempt PreviewLock::TryLockMutex() {
  if (mutex_ == nullptr) {
    const OwnedLocal descriptor = AdministratorsOnly();
    if (!descriptor) return PreviewLockAttempt::kRefused;
    // Global, so previews of different users' sessions exclude each other;
    // making it there needs no privilege. Its descriptor counts only when
    // this call makes it: one that exists is taken only from its owner.
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    OwnedHandle mutex(::CreateMutexW(&attributes, FALSE, (L"Global\\" + name_).c_str()));
    if (!mutex || !OwnedByAdministratorsOrSystem(mutex.get())) return PreviewLockAttempt::kRefused;
    mutex_ = mutex.release();
  }
  if (!holds_mutex_) {
    // An abandoned mutex is one whose holder died; it is ours now.
    const DWORD wait = ::WaitForSingleObject(mutex_, 0);
    holds_mutex_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  return holds_mutex_ ? PreviewLockAttempt::kHeld : PreviewLockAttempt::kRefused;
}

}  // namespace platform::win32
