#!/usr/bin/python3
"""Checks the headers and the import table of a built release program for the oldest Windows of
its kind: Sweepwright.exe (PE32) for Windows 95 and NT 4.0, Sweepwright64.exe (PE32+) for 64-bit
Windows XP.

    /usr/bin/python3 check_imports.py PROGRAM.exe              the program must pass
    /usr/bin/python3 check_imports.py --reject PROGRAM.exe     the program must fail, with every
                                                               kind of finding (checks the checker)

The program may import only from the system libraries every Windows version has; the process
snapshot (toolhelp) and process status (psapi) functions exist on only some versions, so the
program looks them up at run time and must not import them. From ADVAPI32 it imports only
registry functions that Windows 95 exports (see ADVAPI32_ON_WINDOWS_95): a missing import stops
the whole program from loading. A release program carries no COFF symbol table.
"""
import re
import subprocess
import sys

OBJDUMP = 'x86_64-w64-mingw32-objdump'   # reads PE32 and PE32+ alike
# The highest subsystem version each format may ask for: Windows 95/NT 4.0, 64-bit Windows XP.
SUBSYSTEM_LIMITS = {'PE32': (4, 0), 'PE32+': (5, 2)}
ALLOWED_DLLS = {'kernel32.dll', 'user32.dll', 'gdi32.dll', 'advapi32.dll', 'shell32.dll', 'msvcrt.dll'}
TOOLHELP = re.compile(r'^(CreateToolhelp32Snapshot|Toolhelp32ReadProcessMemory|'
                      r'(Process|Module|Thread|Heap)32(First|Next)W?|Heap32ListFirst|Heap32ListNext)$')
PSAPI = re.compile(r'^(K32\w+|EmptyWorkingSet|EnumDeviceDrivers|EnumPageFilesA|EnumPageFilesW|EnumProcesses|'
                   r'EnumProcessModules(Ex)?|GetDeviceDriver(BaseName|FileName)[AW]|GetMappedFileName[AW]|'
                   r'GetModuleBaseName[AW]|GetModuleFileNameEx[AW]|GetModuleInformation|GetPerformanceInfo|'
                   r'GetProcessImageFileName[AW]|GetProcessMemoryInfo|GetWsChanges(Ex)?|InitializeProcessForWsWatch|'
                   r'QueryWorkingSet(Ex)?)$')
GUI_SUBSYSTEM = 2
# The ADVAPI32 functions the program imports. Windows 95 implements the Win32 registry
# functions in its ADVAPI32.DLL (the Platform SDK reference of each RegXxxA function: "Windows
# 95/98/Me: Requires Windows 95 or later"); its security, token and service functions are absent
# or stubs that fail with ERROR_CALL_NOT_IMPLEMENTED (Microsoft's white paper on the Win32 API
# differences between Windows 95 and Windows NT 4.0), so the program looks those up at run time.
ADVAPI32_ON_WINDOWS_95 = {'RegCloseKey', 'RegCreateKeyExA', 'RegDeleteKeyA', 'RegDeleteValueA', 'RegEnumKeyExA',
                          'RegEnumValueA', 'RegOpenKeyExA', 'RegQueryInfoKeyA', 'RegQueryValueExA', 'RegSetValueExA'}


def imports(dump):
    """{dll name: [function names]} from objdump's import tables (delay-loaded ones included)."""
    found, dll = {}, None
    for line in dump.splitlines():
        name = re.match(r'\s*DLL Name:\s*(\S+)', line)
        if name:
            dll = name.group(1)
            found.setdefault(dll, [])
            continue
        entry = re.match(r'\s+[0-9a-f]+\s+\d+\s+(\S+)\s*$', line)
        if dll and entry:
            found[dll].append(entry.group(1))
        elif not line.strip():
            dll = None
    return found


def header(dump, field):
    value = re.search(r'^%s\s+(\S+)' % field, dump, re.M)
    return int(value.group(1), 16 if field == 'Subsystem' else 10) if value else None


def findings(dump):
    """Every reason the program would not load or not run as intended: (kind, detail)."""
    problems = []
    for dll, functions in imports(dump).items():
        if dll.lower() not in ALLOWED_DLLS:
            problems.append(('library', dll))
        for function in functions:
            if TOOLHELP.match(function):
                problems.append(('toolhelp', function))
            if PSAPI.match(function):
                problems.append(('psapi', function))
            if dll.lower() == 'advapi32.dll' and function not in ADVAPI32_ON_WINDOWS_95:
                problems.append(('advapi32 beyond Windows 95', function))
    version = (header(dump, 'MajorSubsystemVersion'), header(dump, 'MinorSubsystemVersion'))
    if None in version or version > SUBSYSTEM_LIMITS[pe_format(dump)]:
        problems.append(('subsystem version', '%s.%s on %s' % (version + (pe_format(dump),))))
    if header(dump, 'Subsystem') != GUI_SUBSYSTEM:
        problems.append(('subsystem', str(header(dump, 'Subsystem'))))
    if re.search(r'flags 0x[0-9a-f]+:\n[^\n]*\bHAS_SYMS\b', dump):
        problems.append(('symbol table', 'not stripped'))
    return problems


def pe_format(dump):
    """'PE32' or 'PE32+', from the optional header's magic."""
    return re.search(r'^Magic\s+\S+\s+\((PE32\+?)\)', dump, re.M).group(1)


def main(argv):
    reject = argv[1:2] == ['--reject']
    paths = argv[2:] if reject else argv[1:]
    if len(paths) != 1:
        sys.exit(__doc__)
    dump = subprocess.run([OBJDUMP, '-f', '-p', paths[0]], check=True, capture_output=True, text=True).stdout
    if 'DLL Name:' not in dump:
        sys.exit('%s: no import table found in the objdump output' % paths[0])
    problems = findings(dump)
    for kind, detail in problems:
        print('%s: %s %s' % (paths[0], kind, detail))
    if reject:
        missing = {'library', 'toolhelp', 'psapi', 'advapi32 beyond Windows 95', 'subsystem version', 'subsystem',
                   'symbol table'} - {k for k, _ in problems}
        if missing:
            sys.exit('the checker missed: %s' % ', '.join(sorted(missing)))
        print('every kind of fault was found')
        return 0
    if problems:
        return 1
    print('%s: %s, imports %s; GUI subsystem %d.%d; stripped' % (paths[0], pe_format(dump), ', '.join(sorted(imports(dump))),
          header(dump, 'MajorSubsystemVersion'), header(dump, 'MinorSubsystemVersion')))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
