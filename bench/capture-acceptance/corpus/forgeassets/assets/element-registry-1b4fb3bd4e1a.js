/* element-registry-1b4fb3bd4e1a: bundle runtime */ (self.webpackChunk=self.webpackChunk||[]).push([['element-registry-1b4fb3bd4e1a'],{}]);
