/* Registry commands: a test sets up and reads back keys without starting `wine reg` (one
   Wine process start each) for every value. KEY is ROOT\path with ROOT one of HKLM, HKCU,
   HKCR, HKU, HKCC or their long names; NAME "" is the key's default value. */
#include "swdriver.h"
#include <stdio.h>
#include <stdlib.h>

typedef struct {
    const char* name;
    HKEY key;
} RootName;

static const RootName g_roots[] = {
    {"HKLM", HKEY_LOCAL_MACHINE},  {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCU", HKEY_CURRENT_USER},   {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKCR", HKEY_CLASSES_ROOT},   {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKU", HKEY_USERS},           {"HKEY_USERS", HKEY_USERS},
    {"HKCC", HKEY_CURRENT_CONFIG}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

typedef struct {
    const char* name;
    DWORD type;
} TypeName;

static const TypeName g_types[] = {
    {"sz", REG_SZ},       {"expand_sz", REG_EXPAND_SZ}, {"multi_sz", REG_MULTI_SZ},
    {"dword", REG_DWORD}, {"binary", REG_BINARY},       {"none", REG_NONE},
};

/* Splits "ROOT\sub\path" into the root key and a pointer to "sub\path". */
static int parse_key(const char* path, HKEY* root, const char** sub) {
    char head[32];
    const char* slash = strchr(path, '\\');
    size_t len = slash ? (size_t)(slash - path) : strlen(path);
    size_t i;
    if (len >= sizeof head) return fail("unknown root key");
    memcpy(head, path, len);
    head[len] = 0;
    for (i = 0; i < sizeof g_roots / sizeof g_roots[0]; i++) {
        if (lstrcmpiA(head, g_roots[i].name) != 0) continue;
        *root = g_roots[i].key;
        *sub = slash ? slash + 1 : "";
        return 1;
    }
    return fail("unknown root key \"%s\"", head);
}

static const char* type_name(DWORD type) {
    size_t i;
    for (i = 0; i < sizeof g_types / sizeof g_types[0]; i++)
        if (g_types[i].type == type) return g_types[i].name;
    return "other";
}

static int parse_type(const char* name, DWORD* type) {
    size_t i;
    for (i = 0; i < sizeof g_types / sizeof g_types[0]; i++)
        if (lstrcmpiA(name, g_types[i].name) == 0) {
            *type = g_types[i].type;
            return 1;
        }
    return fail("unknown value type \"%s\"", name);
}

static int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/* Builds the stored bytes of a value from its arguments; *data is malloc'ed. */
static int value_bytes(DWORD type, int argc, char** argv, BYTE** data, DWORD* size) {
    size_t total = 1, i, pos = 0;
    int a;
    if (type == REG_DWORD) {
        DWORD v = argc > 0 ? parse_num(argv[0]) : 0;
        *size = sizeof v;
        *data = (BYTE*)malloc(sizeof v);
        if (*data) memcpy(*data, &v, sizeof v);
    } else if (type == REG_BINARY || type == REG_NONE) {
        const char* hex = argc > 0 ? argv[0] : "";
        if (strlen(hex) % 2) return fail("binary data needs an even number of hex digits");
        *size = (DWORD)(strlen(hex) / 2);
        *data = (BYTE*)malloc(*size + 1);
        for (i = 0; *data && i < *size; i++) {
            int hi = hex_digit(hex[2 * i]), lo = hex_digit(hex[2 * i + 1]);
            if (hi < 0 || lo < 0) {
                free(*data);
                return fail("bad hex digit");
            }
            (*data)[i] = (BYTE)(hi * 16 + lo);
        }
    } else {
        /* Strings: one argument; a multi-string: every argument, each ended by a zero. */
        int parts = type == REG_MULTI_SZ ? argc : (argc > 0 ? 1 : 0);
        for (a = 0; a < parts; a++) total += strlen(argv[a]) + 1;
        *data = (BYTE*)calloc(total + 1, 1);
        for (a = 0; *data && a < parts; a++) {
            size_t len = strlen(argv[a]) + 1;
            memcpy(*data + pos, argv[a], len);
            pos += len;
        }
        *size = (DWORD)(type == REG_MULTI_SZ ? pos + 1 : (pos ? pos : 1));
    }
    return *data ? 1 : fail("out of memory");
}

int cmd_regset(int argc, char** argv) {
    HKEY root, key;
    const char* sub;
    DWORD type = 0, size = 0;
    BYTE* data = NULL;
    LONG rc;
    if (!parse_key(argv[0], &root, &sub) || !parse_type(argv[2], &type)) return 0;
    if (!value_bytes(type, argc - 3, argv + 3, &data, &size)) return 0;
    rc = RegCreateKeyExA(root, sub, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetValueExA(key, argv[1], 0, type, data, size);
        RegCloseKey(key);
    }
    free(data);
    if (rc != ERROR_SUCCESS) return fail("error %ld", rc);
    return 1;
}

static void out_hex(const BYTE* data, DWORD size) {
    char* hex = (char*)malloc(size * 2 + 1);
    DWORD i;
    if (!hex) return;
    for (i = 0; i < size; i++) _snprintf(hex + 2 * i, 3, "%02x", data[i]);
    hex[size * 2] = 0;
    out_str(hex);
    free(hex);
}

static void out_multi(const char* data, DWORD size) {
    const char* end = data + size;
    out_open_arr();
    while (data < end && *data) {
        out_str(data);
        data += strlen(data) + 1;
    }
    out_close_arr();
}

/* data has zero bytes past size, so a string stored without its own zero still ends. */
static void out_value(DWORD type, const BYTE* data, DWORD size) {
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        out_str((char*)data);
    else if (type == REG_MULTI_SZ)
        out_multi((char*)data, size);
    else if (type == REG_DWORD && size == sizeof(DWORD))
        out_int(*(DWORD*)data);
    else
        out_hex(data, size);
}

int cmd_regget(int argc, char** argv) {
    HKEY root, key;
    const char* sub;
    DWORD type = 0, size = 0;
    BYTE* data;
    LONG rc;
    if (!parse_key(argv[0], &root, &sub)) return 0;
    rc = RegOpenKeyExA(root, sub, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS) return fail("no key (error %ld)", rc);
    rc = RegQueryValueExA(key, argv[1], NULL, &type, NULL, &size);
    data = (BYTE*)calloc(size + 2, 1);
    if (rc == ERROR_SUCCESS && data) rc = RegQueryValueExA(key, argv[1], NULL, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || !data) {
        free(data);
        return fail("no value (error %ld)", rc);
    }
    out_key("type");
    out_str(type_name(type));
    out_key("size");
    out_int(size);
    out_key("data");
    out_value(type, data, size);
    free(data);
    return 1;
}

int cmd_regdel(int argc, char** argv) {
    HKEY root, key;
    const char* sub;
    LONG rc;
    if (!parse_key(argv[0], &root, &sub)) return 0;
    if (argc < 2) {
        rc = RegDeleteTreeA(root, sub);
    } else {
        rc = RegOpenKeyExA(root, sub, 0, KEY_SET_VALUE, &key);
        if (rc == ERROR_SUCCESS) {
            rc = RegDeleteValueA(key, argv[1]);
            RegCloseKey(key);
        }
    }
    /* Deleting what is not there leaves the state a test asked for: not an error. */
    out_key("deleted");
    out_bool(rc == ERROR_SUCCESS);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return fail("error %ld", rc);
    return 1;
}

int cmd_regenum(int argc, char** argv) {
    HKEY root, key;
    const char* sub;
    char name[16384];
    DWORD i, len, type;
    LONG rc;
    if (!parse_key(argv[0], &root, &sub)) return 0;
    rc = RegOpenKeyExA(root, sub, 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) return fail("no key (error %ld)", rc);
    out_key("keys");
    out_open_arr();
    for (i = 0; len = sizeof name, RegEnumKeyExA(key, i, name, &len, NULL, NULL, NULL, NULL) == ERROR_SUCCESS; i++)
        out_str(name);
    out_close_arr();
    out_key("values");
    out_open_arr();
    for (i = 0; len = sizeof name, RegEnumValueA(key, i, name, &len, NULL, &type, NULL, NULL) == ERROR_SUCCESS; i++) {
        out_open_obj();
        out_key("name");
        out_str(name);
        out_key("type");
        out_str(type_name(type));
        out_close_obj();
    }
    out_close_arr();
    RegCloseKey(key);
    return 1;
}
