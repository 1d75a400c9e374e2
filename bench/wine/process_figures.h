// What a running process holds, as the system reports it to another process: its private
// memory, its handles and its threads. Shared by the footprint benchmark and the soak case of
// the end-to-end tests, so both count the same way.
//
// Wine 8 answers two of the usual questions with 0 for every process, so each has a fallback
// that gives the same figure on Windows:
// - PrivateUsage: PagefileUsage, which Windows fills with the same commit charge and Wine with
//   the process's anonymous resident memory;
// - GetProcessHandleCount: the process's entries in the system's handle table.
#pragma once

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

struct ProcessFigures {
  SIZE_T privateBytes = 0;
  DWORD handles = 0;
  DWORD threads = 0;
};

// The threads the system lists for the process (a snapshot of every thread, filtered).
inline DWORD processThreadCount(DWORD processId) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    count += entry.th32OwnerProcessID == processId;
  }
  CloseHandle(snapshot);
  return count;
}

// The process's entries in the system handle table (NtQuerySystemInformation, class 64:
// SystemExtendedHandleInformation); 0 when the table cannot be read.
inline DWORD handleTableCount(DWORD processId) {
  struct Entry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
  };
  struct Table {
    ULONG_PTR count;
    ULONG_PTR reserved;
  };
  using Query = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<ULONG_PTR> buffer(1 << 14);
  LONG status;
  for (;;) {
    ULONG needed = 0;
    const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
    status = query(64, buffer.data(), bytes, &needed);
    if (status != kLengthMismatch || buffer.size() >= (1u << 24)) break;
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return 0;
  const auto* table = reinterpret_cast<const Table*>(buffer.data());
  const auto* entries = reinterpret_cast<const Entry*>(table + 1);
  DWORD count = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i) count += entries[i].processId == processId;
  return count;
}

// `process` needs PROCESS_QUERY_INFORMATION and PROCESS_VM_READ (a handle from CreateProcess
// has both).
inline ProcessFigures processFigures(HANDLE process, DWORD processId) {
  ProcessFigures figures;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    figures.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  }
  if (!GetProcessHandleCount(process, &figures.handles) || figures.handles == 0) {
    figures.handles = handleTableCount(processId);
  }
  figures.threads = processThreadCount(processId);
  return figures;
}
