// The certificate expiry warning: after a successful poll over TLS, one line when the
// server's certificate ends within CertWarnDays days ("certwarndays", 0 switches it
// off), at most once a day for each certificate, so a log polled every minute is not
// flooded.
#include <cmath>

#include "app/fMain.h"

void TForm1::WarnCertificateExpiry() {
  const TPeerCertificate cert = HTTP->GetPeerCertificate();
  if (!cert.Present || FCertWarnDays <= 0) return;
  const double left = cert.NotAfter - Now();
  if (left > FCertWarnDays) return;
  const int today = static_cast<int>(std::floor(Date()));
  auto [it, added] = FCertWarnedOn.try_emplace(cert.Id, today);
  if (!added && it->second == today) return;
  it->second = today;
  WORD y, mo, d, h, mi, s, ms;
  DecodeDate(cert.NotAfter, y, mo, d);
  DecodeTime(cert.NotAfter, h, mi, s, ms);
  const int days = static_cast<int>(std::max(0.0, std::floor(left)));
  LogFmt("CERTIFICATE EXPIRES in %d %s, on %.4d-%.2d-%.2d %.2d:%.2d UTC",
         {days, std::string(days == 1 ? "day" : "days"), int(y), int(mo), int(d), int(h), int(mi)});
}
