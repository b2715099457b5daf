#pragma once

#include <QtGlobal>

// Result codes of the component entry points, with the numbers callers written for the Windows
// component model expect.
namespace com {

using HRESULT = qint32;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_POINTER = qint32(0x80004003u);
inline constexpr HRESULT E_FAIL = qint32(0x80004005u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = qint32(0x80040111u);
inline constexpr HRESULT SELFREG_E_CLASS = qint32(0x80040201u);

inline constexpr bool succeeded(HRESULT hr)
{
    return hr >= 0;
}

} // namespace com
