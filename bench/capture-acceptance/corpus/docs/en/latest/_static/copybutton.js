/* Adds a copy button to every code block. */
const iconCopy = `<svg xmlns="http://www.w3.org/2000/svg" class="icon icon-tabler icon-tabler-copy" width="44" height="44" viewBox="0 0 24 24" stroke-width="1.5" stroke="#000000" fill="none" stroke-linecap="round" stroke-linejoin="round"><title>Copy to clipboard</title><path stroke="none" d="M0 0h24v24H0z" fill="none"/><rect x="8" y="8" width="12" height="12" rx="2" /><path d="M16 8v-2a2 2 0 0 0 -2 -2h-8a2 2 0 0 0 -2 2v8a2 2 0 0 0 2 2h2" /></svg>`;
const addCopyButtonToCodeCells = () => {
  document.querySelectorAll('div.highlight pre').forEach((cell, index) => {
    const id = "codecell" + index;
    cell.id = id;
    const html = `<button class="copybtn o-tooltip--left" data-tooltip="Copy" data-clipboard-target="#${id}">${iconCopy}</button>`;
    cell.insertAdjacentHTML('afterend', html);
  });
  if (window.ClipboardJS) new ClipboardJS('.copybtn');
};
document.addEventListener("DOMContentLoaded", addCopyButtonToCodeCells);
