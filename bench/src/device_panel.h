// DevicePanel: what every device tab offers the shared panels (common properties, DirectIO).
// The shared panels reach the control only through GetDeviceControl, at the moment of a click,
// so they always talk to the control that is there now.
#pragma once

namespace probedesk {

class LateBound;

class DevicePanel {
public:
    virtual ~DevicePanel() = default;
    // The tab's OPOS control (late-bound). A control that could not be created is there too,
    // empty: every call on it raises "Object variable ... not set".
    virtual LateBound& GetDeviceControl() = 0;
    // Called by the common panel's "Open": the tab opens its control.
    virtual void DeviceOpened() = 0;
    // Called by the common panel's "Release": the tab releases its control.
    virtual void DeviceReleased() = 0;
};

}  // namespace probedesk
