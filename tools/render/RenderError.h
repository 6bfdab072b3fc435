#pragma once

#include <stdexcept>

/** A failure the user can act on. main() prints its message after "mallow-render: " and exits
    non-zero; every object on the way out cleans up in its destructor. */
class RenderError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** A command line that cannot be understood: reported like any RenderError, followed by the
    usage line. */
class UsageError : public RenderError
{
public:
    using RenderError::RenderError;
};
