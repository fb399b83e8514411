#pragma once

namespace orvkit {

// The 3D view a command may adjust after it ran.
class Viewer {
public:
    virtual ~Viewer() = default;
    // Fits the view to everything shown, enlarged by `factor` (1.2: a fifth of margin).
    virtual void ZoomToExtend(float factor) = 0;
};

} // namespace orvkit
