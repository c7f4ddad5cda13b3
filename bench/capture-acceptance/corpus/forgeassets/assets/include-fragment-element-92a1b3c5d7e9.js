/* <include-fragment src=...>: fetches the HTML fragment and puts it in place of the element. */
class IncludeFragmentElement extends HTMLElement {
  connectedCallback() {
    const src = this.getAttribute('src');
    if (!src) return;
    fetch(src, { headers: { Accept: 'text/html' }, credentials: 'same-origin' })
      .then((r) => (r.ok ? r.text() : Promise.reject(new Error(r.status))))
      .then((html) => {
        const t = document.createElement('template');
        t.innerHTML = html;
        this.replaceWith(t.content);
      })
      .catch(() => this.setAttribute('data-error', ''));
  }
}
if (!customElements.get('include-fragment')) customElements.define('include-fragment', IncludeFragmentElement);
