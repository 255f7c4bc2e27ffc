// The hosts file check: the file is read for the trojan's uuencoded block.
#include "engine/UuencodedCheck.h"

#include <string.h>

#include "app/ReportChannel.h"
#include "engine/Disinfect.h"
#include "engine/FileMatcher.h"
#include "engine/LowIo.h"
#include "engine/PathText.h"

static int g_encodedFile = -1;

int CheckUuencodedFile(const char* name, const char* path) {
    RestoreEncodedPatterns();
    g_encodedFile = _open(path, _O_RDONLY | _O_BINARY);
    if (g_encodedFile == -1) return 0;
    const EncodedSignatureRecord& record = g_encodedSignatureTable[0];
    int matched = MatchUuencodedFile(g_encodedFile);
    if (matched) {
        CopyText(g_detectedName, sizeof g_detectedName, record.name);
        CopyText(g_statusText, sizeof g_statusText, path);
    }
    _close(g_encodedFile);
    g_encodedFile = -1;
    if (!matched) return 0;
    ApplyReducedAction(path, record.name);
    return 1;
}
