#include "ARCHIVES/ArchiverOptions.h"

const std::string SwitchUnset(1, '\0');

void TArchiverOptions::Reset() {
    for (int8_t* one :
         {&a,   &c,  &e,   &f,   &h,   &i,   &l,   &m,  &n,  &o,   &p,   &r,   &s,   &t,   &u,   &x,   &y,   &z,   &jc,
          &jd,  &je, &jf,  &jh,  &ji,  &jm,  &jn,  &jp, &jr, &jsb, &jsc, &jsd, &jse, &jsf, &jsl, &jso, &jss, &jst, &jsv,
          &jsz, &jw, &jyc, &jyd, &jyk, &jyn, &jyo, &ga, &gd, &ge,  &gf,  &gj,  &gm,  &gn,  &go,  &gp,  &gs,  &gu,  &gw})
        *one = -1;
    for (std::string* text : {&w, &jo, &job, &jz, &gr})
        *text = SwitchUnset;
    jx.Clear();
    UserOptions.clear();
    UserFileList.clear();
    ResFileName.clear();
    PackFilter = pfComponent;
    ResFileUsage = {ruOnPack, ruOnUnpack, ruOnRemoveItem};
}
