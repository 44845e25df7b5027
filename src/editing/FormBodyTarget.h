#pragma once

struct FormBody;

// Where the form builder delivers the body it made on OK: the request window, which takes
// the exact bytes, sets the Content-type and Content-length rows and includes the body.
class FormBodyTarget
{
public:
    virtual ~FormBodyTarget() = default;

    // Called once per successful OK with a body that encoded without error.
    virtual void applyFormBody(const FormBody& body) = 0;
};
