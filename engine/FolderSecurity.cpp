// Whether only administrators and the system can change a folder, from the bytes of its
// self-relative security descriptor.
#include "engine/FolderSecurity.h"

#include <stdint.h>
#include <string.h>

namespace {

const uint16_t kDaclPresent = 0x0004;
const uint16_t kSelfRelative = 0x8000;
const size_t kDescriptorHeader = 20;   // revision, padding, control, owner, group, SACL, DACL offsets
const size_t kAclHeader = 8;           // revision, padding, size, count, padding
const size_t kAceHeader = 8;           // type, flags, size, access mask
const uint8_t kAccessAllowed = 0, kAccessDenied = 1;
const uint8_t kInheritOnly = 0x08;   // an entry for the folder's children, not for itself

const uint32_t kAddFile = 0x2, kAddSubfolder = 0x4, kDeleteChild = 0x40, kDelete = 0x10000;
const uint32_t kWriteDac = 0x40000, kWriteOwner = 0x80000, kMaximumAllowed = 0x2000000;
const uint32_t kGenericAll = 0x10000000, kGenericWrite = 0x40000000;
const uint32_t kChangesTheFolder =
    kDeleteChild | kDelete | kWriteDac | kWriteOwner | kMaximumAllowed | kGenericAll | kGenericWrite;
const uint32_t kAddsEntries = kAddFile | kAddSubfolder;

// S-1-5-18, S-1-5-32-544 and S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464 as
// stored: revision, count, authority (big-endian), sub-authorities (little-endian).
// clang-format off
const uint8_t kSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const uint8_t kAdministrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
const uint8_t kTrustedInstaller[] = {1, 6, 0, 0, 0, 0, 0, 5, 80, 0, 0, 0, 0xB5, 0x89, 0xFB, 0x38,
                                     0x19, 0x84, 0xC2, 0xCB, 0x5C, 0x6C, 0x23, 0x6D,
                                     0x57, 0x00, 0x77, 0x6E, 0xC0, 0x02, 0x64, 0x87};
// clang-format on

uint32_t Le(const uint8_t* bytes, size_t count) {
    uint32_t value = 0;
    while (count-- > 0) value = value << 8 | bytes[count];
    return value;
}

// The bytes of the identifier at offset, or 0 when it does not lie whole within size bytes.
size_t SidLength(const uint8_t* bytes, size_t size, size_t offset) {
    if (offset == 0 || offset > size || size - offset < 8) return 0;
    size_t length = 8 + 4 * (size_t)bytes[offset + 1];
    return length <= size - offset ? length : 0;
}

bool IsAdministration(const uint8_t* sid, size_t length) {
    return (length == sizeof kSystem && memcmp(sid, kSystem, length) == 0) ||
           (length == sizeof kAdministrators && memcmp(sid, kAdministrators, length) == 0) ||
           (length == sizeof kTrustedInstaller && memcmp(sid, kTrustedInstaller, length) == 0);
}

// Whether the ACL at offset grants nobody but the administration any of the rights in mask.
bool AclGrantsOnlyAdministration(const uint8_t* bytes, size_t size, size_t offset, uint32_t mask) {
    if (offset == 0 || offset > size || size - offset < kAclHeader) return false;
    size_t end = offset + Le(bytes + offset + 2, 2);
    if (end > size) return false;
    size_t ace = offset + kAclHeader;
    for (uint32_t count = Le(bytes + offset + 4, 2); count > 0; --count) {
        if (end - ace < kAceHeader) return false;
        size_t aceSize = Le(bytes + ace + 2, 2);
        uint8_t type = bytes[ace];
        if (aceSize < kAceHeader || aceSize > end - ace) return false;
        // Deny entries take nothing away that matters here; any other kind of grant is unknown.
        if (type != kAccessDenied && (bytes[ace + 1] & kInheritOnly) == 0) {
            size_t sidLength = SidLength(bytes, ace + aceSize, ace + kAceHeader);
            if (type != kAccessAllowed || sidLength == 0) return false;
            if ((Le(bytes + ace + 4, 4) & mask) != 0 && !IsAdministration(bytes + ace + kAceHeader, sidLength))
                return false;
        }
        ace += aceSize;
    }
    return true;
}

}   // namespace

bool OnlyAdministratorsMayChange(const void* descriptor, size_t size, bool holdsTheFile) {
    const uint8_t* bytes = (const uint8_t*)descriptor;
    if (size < kDescriptorHeader) return false;
    uint32_t control = Le(bytes + 2, 2);
    if ((control & kSelfRelative) == 0 || (control & kDaclPresent) == 0) return false;
    size_t owner = Le(bytes + 4, 4);
    size_t ownerLength = SidLength(bytes, size, owner);
    if (ownerLength == 0 || !IsAdministration(bytes + owner, ownerLength)) return false;
    uint32_t mask = kChangesTheFolder | (holdsTheFile ? kAddsEntries : 0);
    return AclGrantsOnlyAdministration(bytes, size, Le(bytes + 16, 4), mask);
}
