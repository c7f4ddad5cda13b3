/* reader: post page */ document.documentElement.classList.add('reader-ready');
