// Run-time helpers: the exception classes, Format, integer and text conversion,
// date-time as days since 1899-12-30, and file-name utilities.
//
// API notes (for code built on this header):
//  - Format takes {args} (TVarRec from any integer type, double, const char*,
//    std::string). A directive that does not fit its argument, or a missing
//    argument, raises EConvertError "Format '<pattern>' invalid or incompatible
//    with argument".
//  - Also here: IntToHex.
//  - PathDelim is a function, PathDelim(), so the code needs no platform test.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>

#include "platform/winapi.h"

class Exception : public std::exception {
 public:
  explicit Exception(std::string msg);
  const std::string& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

#define TAVIX_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {                \
   public:                                  \
    using Base::Base;                       \
  };
TAVIX_DECLARE_EXCEPTION(EConvertError, Exception)
TAVIX_DECLARE_EXCEPTION(EStreamError, Exception)
TAVIX_DECLARE_EXCEPTION(EFOpenError, EStreamError)
TAVIX_DECLARE_EXCEPTION(EFCreateError, EStreamError)
TAVIX_DECLARE_EXCEPTION(EWriteError, EStreamError)
TAVIX_DECLARE_EXCEPTION(ERangeError, Exception)
TAVIX_DECLARE_EXCEPTION(EOutOfResources, Exception)
TAVIX_DECLARE_EXCEPTION(EInOutError, Exception)
TAVIX_DECLARE_EXCEPTION(EListError, Exception)
TAVIX_DECLARE_EXCEPTION(EInvalidOperation, Exception)
TAVIX_DECLARE_EXCEPTION(EIniFileException, Exception)
#undef TAVIX_DECLARE_EXCEPTION

// ---- Format ----
struct TVarRec {
  enum Kind { vtInt, vtUInt, vtFloat, vtString } kind;
  int64_t i = 0;
  uint64_t u = 0;
  double d = 0;
  std::string s;
  TVarRec(int v) : kind(vtInt), i(v) {}
  TVarRec(long v) : kind(vtInt), i(v) {}
  TVarRec(long long v) : kind(vtInt), i(v) {}
  TVarRec(unsigned v) : kind(vtUInt), u(v) {}
  TVarRec(unsigned long v) : kind(vtUInt), u(v) {}
  TVarRec(unsigned long long v) : kind(vtUInt), u(v) {}
  TVarRec(double v) : kind(vtFloat), d(v) {}
  TVarRec(const char* v) : kind(vtString), s(v ? v : "") {}
  TVarRec(std::string v) : kind(vtString), s(std::move(v)) {}
};

// Format: each directive is %[index:][-][width][.prec]type, "%%" a literal percent.
// index picks the argument (0-based) and later directives go on from it; "-" aligns
// left within width; type is d (decimal), u (unsigned), x / X (hex), s (text),
// f / e / g (fixed, exponent, shortest), n / m (fixed with thousands grouped) or p
// (a pointer-sized value in hex). "%.Nd" pads with zeros to at least N digits; "%.Nf"
// uses the locale's decimal separator; "*" takes width or precision from the next
// argument.
std::string Format(const std::string& pattern, std::initializer_list<TVarRec> args);

// ---- integers and text ----
std::string IntToStr(int64_t v);
std::string IntToHex(int64_t v, int digits);  // upper-case, zero-padded
// Decimal with optional sign, or hex after "$", "0x"/"0X" (also after a sign);
// leading blanks are allowed, nothing else. Out of 32-bit range is invalid.
bool TryStrToInt(const std::string& s, int& value);
int StrToInt(const std::string& s);  // EConvertError "'%s' is not a valid integer value"
int StrToIntDef(const std::string& s, int def);
std::string UpperCase(const std::string& s);  // ASCII only
std::string LowerCase(const std::string& s);
std::string AnsiLowerCase(const std::string& s);
int CompareText(const std::string& a, const std::string& b);      // ASCII, case-insensitive
int AnsiCompareText(const std::string& a, const std::string& b);  // locale-aware
int AnsiCompareStr(const std::string& a, const std::string& b);
bool SameText(const std::string& a, const std::string& b);
std::string Trim(const std::string& s);  // control chars and blanks at both ends
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);

// ---- date and time ----
using TDateTime = double;  // days since 1899-12-30, time of day as the fraction

TDateTime Now();                                        // local time, millisecond resolution
TDateTime Date();                                       // today at 00:00
TDateTime EncodeDate(WORD year, WORD month, WORD day);  // EConvertError when invalid
TDateTime EncodeTime(WORD hour, WORD min, WORD sec, WORD msec);
void DecodeDate(TDateTime dt, WORD& year, WORD& month, WORD& day);
void DecodeTime(TDateTime dt, WORD& hour, WORD& min, WORD& sec, WORD& msec);
TDateTime SystemTimeToDateTime(const SYSTEMTIME& st);
// The user's short date, a blank and the long time; the date alone when hour,
// minute and second are all zero (milliseconds are ignored).
std::string DateTimeToStr(TDateTime dt);
std::string DateToStr(TDateTime dt);
std::string TimeToStr(TDateTime dt);
// Formats with a Windows date/time picture (d dd M MM yy yyyy h hh H HH m mm s ss t tt,
// 'quoted' literals).
std::string FormatWindowsPicture(const std::string& picture, TDateTime dt);
double TickCountDays();   // monotonic clock in days, for elapsed spans
char DecimalSeparator();  // from the locale (LOCALE_SDECIMAL), '.' if unavailable

// ---- files ----
// Both '\\' and '/' count as delimiters when splitting names; PathDelim() is the one
// the running module's path uses (so the code needs no platform test).
char PathDelim();
bool FileExists(const std::string& name);
bool DeleteFile(const std::string& name);
std::string ExtractFilePath(const std::string& name);  // with trailing delimiter
std::string ExtractFileName(const std::string& name);
std::string ChangeFileExt(const std::string& name, const std::string& ext);
std::string ExpandFileName(const std::string& name);  // relative names stay as given
std::string ParamStr0();                              // the running module's full file name
// The system's text for an error number, without the final period ("Access is denied").
std::string SysErrorMessage(DWORD code);
