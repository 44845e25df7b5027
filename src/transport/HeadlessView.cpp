#include "transport/HeadlessView.h"

HeadlessView::HeadlessView(RequestForm form)
    : m_form(std::move(form))
{ }

void HeadlessView::setRedirectPrompt(std::function<bool(RedirectQuestion&)> prompt)
{
    m_redirectPrompt = std::move(prompt);
}

void HeadlessView::SetControls_Redirected(const HTTPRequest& request)
{
    RedirectForm(request, m_form);
}

void HeadlessView::setRedirectMethod(const QString& method, bool withoutBody)
{
    m_form.method = method;
    if (withoutBody)
        m_form.includeBody = false;
}

bool HeadlessView::askRedirect(RedirectQuestion& question)
{
    return m_redirectPrompt && m_redirectPrompt(question);
}
