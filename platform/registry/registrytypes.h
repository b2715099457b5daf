#pragma once

#include <QtGlobal>

// The registry's vocabulary with the numbers callers written for the Windows registry expect:
// root handles, result codes, access rights, value types.
namespace winreg {

using HKEY = quint32;
using LONG = qint32;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_REGISTRY_CORRUPT = 1015;
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr LONG ERROR_KEY_DELETED = 1018;
inline constexpr LONG ERROR_NOT_ENOUGH_QUOTA = 1816;

inline constexpr quint32 KEY_QUERY_VALUE = 0x0001;
inline constexpr quint32 KEY_SET_VALUE = 0x0002;
inline constexpr quint32 KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr quint32 KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr quint32 KEY_NOTIFY = 0x0010;
inline constexpr quint32 KEY_CREATE_LINK = 0x0020;
inline constexpr quint32 KEY_SPECIFIC_RIGHTS = 0x003F;
inline constexpr quint32 KEY_READ = 0x20019;
inline constexpr quint32 KEY_WRITE = 0x20006;
inline constexpr quint32 KEY_ALL_ACCESS = 0xF003F;

inline constexpr quint32 REG_OPTION_NON_VOLATILE = 0;
inline constexpr quint32 REG_OPTION_VOLATILE = 1;
inline constexpr quint32 REG_CREATED_NEW_KEY = 1;
inline constexpr quint32 REG_OPENED_EXISTING_KEY = 2;

inline constexpr quint32 REG_NONE = 0;
inline constexpr quint32 REG_SZ = 1;
inline constexpr quint32 REG_EXPAND_SZ = 2;
inline constexpr quint32 REG_BINARY = 3;
inline constexpr quint32 REG_DWORD = 4;
inline constexpr quint32 REG_DWORD_BIG_ENDIAN = 5;
inline constexpr quint32 REG_MULTI_SZ = 7;
inline constexpr quint32 REG_QWORD = 11;

// Limits of names and data; the hive reader enforces the same ones, so nothing the store writes is
// ever refused when read back.
inline constexpr int kMaxKeyNameLength = 255;
inline constexpr int kMaxValueNameLength = 16383;
inline constexpr int kMaxKeyDepth = 512;
inline constexpr qint64 kMaxValueBytes = 1024 * 1024;
inline constexpr qint64 kMaxHiveBytes = 64 * 1024 * 1024;

} // namespace winreg
