#pragma once
// An exception raised while a component ran one of its events cannot reach any caller. The component's
// OnBgException handler sees it and says whether the component may be aborted; nothing thrown on the way
// out of the handler or the abort leaves the message loop.

#include <exception>

#include "platform/rtl/SysUtils.h"

template <class Component, class Handler>
void AbortAfterBgException(Component& Sender, const Handler& OnBgException, const Exception& E) {
    bool canClose = true;
    if (OnBgException) {
        try {
            OnBgException(&Sender, E, canClose);
        } catch (const std::exception&) {
        }
    }
    if (!canClose)
        return;
    try {
        Sender.Abort();
    } catch (const std::exception&) {
    }
}
