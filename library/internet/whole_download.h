// Downloads through the platform's URL download service that tell a whole resource from an
// error page or a cut transfer, and never leave half a file in the caller's place.
#pragma once

namespace korvel::downloads {

// Downloads `url` into `file` through the URL download service; true when the service
// succeeded and the server's answer says the whole resource arrived. The download goes to a
// file beside the target, moved over it only when whole: a failure leaves the caller's file
// as it was.
bool downloadWhole(const char* url, const char* file);

}  // namespace korvel::downloads
