// The projector link's disconnect as the document's way of closing links. It
// is installed when the program starts; linking vantis_model_ops always pulls
// this file in (the library's users are linked with an undefined reference to
// vantis_model_ops_link_closer, see CMakeLists.txt).
#include "dvOrvelAuto.h"
#include "vantis/model/link_closer.h"

extern "C" {
extern const bool vantis_model_ops_link_closer;
const bool vantis_model_ops_link_closer = [] {
    vantis::model::SetLinkCloser(&dvOrvelAutoDisconnect);
    return true;
}();
}
