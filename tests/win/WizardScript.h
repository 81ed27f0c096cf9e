// Drives a wizard from inside its own modal loop, for the wizard's tests.
#pragma once
#include "FormScript.h"
#include "wizard/AfterScreenShotWindowUnit.h"

#include <functional>
#include <string>
#include <utility>

namespace wizard_test {

using form_test::Press;

// The steps of a form script, and steps for a page of the wizard.
class Script : public form_test::FormScript {
public:
    explicit Script(TAfterScreenShotWindow& wizard) : FormScript(wizard), wizard_(wizard) {}
    Script& When(std::function<bool()> ready, std::function<void()> action)
    {
        FormScript::When(std::move(ready), std::move(action));
        return *this;
    }
    Script& OnPage(int page, std::function<void()> action)
    {
        return When([this, page] { return wizard_.Visible() && wizard_.Notebook->PageIndex() == page; },
                    std::move(action));
    }

protected:
    std::string Where() const override
    {
        return ", page " + std::to_string(wizard_.Notebook->PageIndex());
    }

private:
    TAfterScreenShotWindow& wizard_;
};

} // namespace wizard_test
