// Observer of a configuration node, called by the tree's notification pass
// when the node was marked changed.
#pragma once

class ConfigObserver {
public:
    virtual ~ConfigObserver() = default;
    virtual void OnChanged() = 0;
};
