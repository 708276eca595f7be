#pragma once

// The host's cancellation token, passed on to every file operation.
class abort_callback {
public:
    virtual bool is_aborting() const = 0;
    // The event that is signalled on abort (a Windows event handle).
    virtual void* get_abort_event() const = 0;

protected:
    ~abort_callback() = default;
};
